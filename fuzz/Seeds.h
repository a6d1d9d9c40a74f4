// The seed corpus: the inputs each target starts from, made from the repository's own test
// data and from tables and indexes built here with the engine.
#pragma once

#include <string>

namespace fuzz {

// Writes the seeds of every target into `folder`/<target>/ (folders made as needed; files of
// the same name replaced, others left alone, so a grown corpus keeps what the fuzzer found):
// - linestream, builder, person: the files of `fuzzSourceDir`/seeds/gedcom and the GEDCOM
//   samples of `samplesDir`, each cut to the target's largest input;
// - dbf: the fixed tables of the targets, a lookup table built from a sample, empty and memo
//   tables;
// - cdx: index files built with the engine over the index target's fixed table, a few tags
//   each;
// - keyexpr: each line of `fuzzSourceDir`/seeds/keyexpr/expressions.txt, followed by a line
//   end and a sample record of the key table.
// Throws std::runtime_error when a seed cannot be made.
void WriteSeedCorpus(const std::string& folder, const std::string& fuzzSourceDir,
                     const std::string& samplesDir);

}  // namespace fuzz
