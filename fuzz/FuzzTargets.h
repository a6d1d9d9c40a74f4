// The fuzz targets. Each takes one input of any bytes and drives one part of the program with
// it the way the program itself does; RunFuzzInput (FuzzSupport.h) wraps them with the
// bookkeeping every input gets. The libFuzzer binaries and fuzz_regression_test both call
// them through FuzzTargets().
#pragma once

#include <cstddef>
#include <cstdint>

namespace fuzz {

// "linestream": the input as a GEDCOM file: every line through the line stream, each of the
// four decodings, the stored form; character-set detection and the choice of decoding.
void FuzzLineStream(const uint8_t* data, size_t size);

// "dbf": the input as a table file, opened read-only; every record and field read.
void FuzzDbf(const uint8_t* data, size_t size);

// "cdx": the input as the compound index of a fixed, valid table; every tag opened, walked
// both ways, searched, near-searched and limited to a range.
void FuzzCdx(const uint8_t* data, size_t size);
void PrepareCdx();

// "keyexpr": the input's first line as a key expression, the rest as the record it is
// evaluated on; the compiled form must give what the evaluator gives.
void FuzzKeyExpression(const uint8_t* data, size_t size);
void PrepareKeyExpression();

// "builder": the input as a GEDCOM file whose lookup table is built.
void FuzzBuilder(const uint8_t* data, size_t size);

// "person": the input as a GEDCOM file whose lookup table is built and opened; then a few of
// its persons are loaded as the main window loads them, with their narrative.
void FuzzPerson(const uint8_t* data, size_t size);

}  // namespace fuzz
