// The commands of lineatum-tool. Each takes the arguments after the command word, prints its
// result to stdout, reports problems as one line on stderr and returns the exit code.
#pragma once

#include <string>
#include <vector>

using ToolArgs = std::vector<std::string>;

// lines FILE: every line the line stream returns, as "offset<TAB>bytes".
int RunLines(const ToolArgs& args);
// charset FILE: the detection code (0 to 4) and the character set's name.
int RunCharset(const ToolArgs& args);
// dbf FILE.DBF: the table header, its fields, then every record as
// "number flag|field|field|...|" with each field's stored text.
int RunDbf(const ToolArgs& args);
// create [--overwrite] TABLE.DBF FIELD...: a new, empty FoxPro 2 table; FIELD is a line such
// as "NAME;C;70;0". An existing file is kept unless --overwrite is given.
int RunCreate(const ToolArgs& args);
// index TABLE.DBF INDEX.CDX TAG EXPRESSION SORTCODE: adds (or replaces) a tag, duplicates
// allowed, built with that sort-order code (0 ascending, 1..6 descending, 7/8 general collation).
int RunIndex(const ToolArgs& args);
// order TABLE.DBF INDEX.CDX TAG: the record numbers in the tag's order, one a line.
int RunOrder(const ToolArgs& args);
// seek TABLE.DBF INDEX.CDX TAG KEY [--near]: the record number a find of KEY lands on, or
// "not found".
int RunSeek(const ToolArgs& args);
// build FILE.ged LOOKUP.DBF: the lookup table of a GEDCOM file and its ".CDX" index, with
// progress texts on stderr and the counts and time taken on stdout.
int RunBuild(const ToolArgs& args);
// person FILE.ged LOOKUP.DBF POINTER: the person's pedigree names, spouses with marriage and
// children, siblings, narrative and notes, in labelled sections. An unknown pointer fails.
int RunPerson(const ToolArgs& args);
// names LOOKUP.DBF [--count N] PREFIX...: for each prefix (UTF-8; "-" alone: one per line of
// stdin) the Select Person search, then the row it lands on and the rows after it in NAME
// order, N in all (default 10), as "pointer<TAB>name" in UTF-8, then a line "--".
int RunNames(const ToolArgs& args);
// surnames LOOKUP.DBF LETTER: the Find Surname dialog's surname list for a letter button (A to
// Z in either case, or "#" for the others): each surname once, in UTF-8, one a line.
int RunSurnames(const ToolArgs& args);
// surname LOOKUP.DBF SURNAME: the dialog's person list for SURNAME (UTF-8; blank-trimmed and
// upper-cased like the surnames), one line per person, "pointer<TAB>name" in UTF-8. The pointer
// the dialog previews when an entry is clicked is looked up again (for every entry of a list of
// up to 64, for about 64 spread from the first to the last of a longer one, and after the
// last): when it is not the entry's own, or one is found after the last, the command fails.
int RunSurname(const ToolArgs& args);

// Prints "lineatum-tool: <message>" to stderr and returns 1.
int ToolError(const std::string& message);
