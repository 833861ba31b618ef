// SPDX-License-Identifier: Apache-2.0
// Where locmap's options go before the parser sees them: options before or after the command, each checked against its owner.
#ifndef LOCMAP_TOOLS_OPTIONORDER_H
#define LOCMAP_TOOLS_OPTIONORDER_H

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

namespace locmap_tool {

// Whether a command-line word is an option ("-m", "--map=x"), not an operand.
bool isOptionWord(const std::string &word);

// Global options may stand before or after the command; so may a command's
// own options, which are moved after its name, where the parser looks for
// them. False, with misplaced set, for an option the command does not take;
// helpFor names the command found ("locmap set"), for the usage hint.
bool arrangeOptions(CLI::App &app, std::vector<std::string> &words, std::string &misplaced, std::string &helpFor);

}  // namespace locmap_tool

#endif  // LOCMAP_TOOLS_OPTIONORDER_H
