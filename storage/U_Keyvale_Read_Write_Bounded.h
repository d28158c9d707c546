// Reading a whole file that may hold secrets (an export, a note) up to a
// limit: the one reader of the import, keyvale-cli's note and its digests'
// input. It never blocks on opening a FIFO, stops past the limit instead of
// filling the memory, and leaves no copy of what it read behind: a block the
// text outgrows is wiped before it is freed, as is the read buffer.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>

// Which files a read takes. Standard input ("-") may always be a pipe.
enum class TFileKinds {
    RegularOnly, // a FIFO, a socket or a device is refused by name
    Any,         // also a pipe or a device (a process substitution, /dev/zero)
};

struct TBoundedRead {
    std::string problem;     // empty on success, else the cause as a sentence
    bool tooLarge = false;   // the problem is that more than the limit came
    bool notRegular = false; // the problem is the file's kind (TFileKinds::RegularOnly)
};

// Appends the bytes. When the text's block is full it moves into a larger
// one (twice the size, at least what is needed) and the old block is wiped.
void AppendWiping(std::string& content, const char* bytes, std::size_t size);

// Reads the file at `path` ("-": the standard input's descriptor) whole into
// `content`. A directory is refused ("It is a directory."), as is a file of
// another kind than `kinds` allows. More than `limit` bytes stop the reading:
// the problem is then "It holds more than <limit> bytes.", tooLarge is set
// and `content` is wiped and empty; so it is after any other failure.
TBoundedRead ReadFileUpTo(const std::string& path, std::size_t limit, std::string& content,
                          TFileKinds kinds = TFileKinds::RegularOnly);

// The same from a stream: keyvale-cli's standard input, read through the
// stream its prompts read too, so that nothing already buffered is lost.
TBoundedRead ReadStreamUpTo(std::istream& in, std::size_t limit, std::string& content);
