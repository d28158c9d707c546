// Reading secrets and input for keyvale-cli.
#pragma once

#include <optional>
#include <string>

namespace cli {

bool StdinIsTerminal();

// One secret: on a terminal, a prompt on standard error and a line typed
// without echo; otherwise one line of standard input without its line ending.
// Nothing when the input has ended. Ctrl-C at the prompt restores echo and
// ends the program with exit code 130.
std::optional<std::string> ReadSecretLine(const std::string& prompt);

} // namespace cli
