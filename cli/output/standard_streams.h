#pragma once

namespace cli {

// Standard input, output and error that the caller closed are opened on
// /dev/null before anything else is opened, so that no file or port the
// program opens takes their numbers and gets the rows or messages meant for
// them. Standard output is opened read-only: every write to it then fails
// and is reported, instead of vanishing.
void HoldStandardStreams();

// `code`, or 8 after a message when what the command printed on standard
// output through stdio could not all be written.
int CheckStandardOutput(int code);

} // namespace cli
