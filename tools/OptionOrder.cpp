// SPDX-License-Identifier: Apache-2.0
// Where locmap's options go: a command's own options given before its name move after it, and one no command takes is named.
#include "OptionOrder.h"

#include <algorithm>

#include "ToolSupport.h"

namespace locmap_tool {

bool isOptionWord(const std::string &word) {
    return word.size() > 1 && word[0] == '-';
}

namespace {

// The option as the parser names it: "--file" of "--file=x", "-m" of "-mx".
std::string optionNameOf(const std::string &word) {
    if (word.compare(0, 2, "--") == 0) return word.substr(0, word.find('='));
    return word.substr(0, 2);
}

// Help and version are answered wherever they stand.
bool isAnsweredAnywhere(const std::string &name) {
    return name == "-h" || name == "--help" || name == "--version";
}

// Whether the option's value is the next word ("--map FILE"), not part of
// this one ("--map=FILE", "-mFILE").
bool valueFollows(const CLI::Option *option, const std::string &word) {
    return option != nullptr && option->get_items_expected_max() > 0 && word.size() == optionNameOf(word).size();
}

CLI::App *commandNamed(CLI::App &app, const std::string &name) {
    const std::vector<CLI::App *> found =
        app.get_subcommands([&name](CLI::App *command) { return command->check_name(name); });
    return found.empty() ? nullptr : found.front();
}

std::vector<CLI::App *> commandsTaking(CLI::App &app, const std::string &name) {
    return app.get_subcommands(
        [&name](CLI::App *command) { return command->get_option_no_throw(name) != nullptr; });
}

// "add, set and remove"
std::string namesOf(const std::vector<CLI::App *> &commands) {
    std::string names;
    for (std::size_t index = 0; index < commands.size(); ++index) {
        if (index > 0) names += index + 1 == commands.size() ? " and " : ", ";
        names += commands[index]->get_name();
    }
    return names;
}

// Edits between a and b, a swap of two neighbours counting as one.
std::size_t editDistance(const std::string &a, const std::string &b) {
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i)
        for (std::size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] != b[j - 1])});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[a.size()][b.size()];
}

// "; did you mean X?" for the known name a slip of a letter or two from
// typed (one for short names), the nearest first; "" when none is that near.
std::string didYouMean(const std::string &typed, const std::vector<std::string> &known) {
    const std::size_t allowed = typed.size() <= 4 ? 1 : 2;
    std::string best;
    std::size_t bestDistance = allowed + 1;
    for (const std::string &name : known) {
        const std::size_t distance = editDistance(typed, name);
        if (distance < bestDistance) {
            best = name;
            bestDistance = distance;
        }
    }
    return best.empty() ? std::string() : "; did you mean " + best + "?";
}

// Every option name the command line knows: the global ones and every command's.
std::vector<std::string> optionNames(CLI::App &app) {
    std::vector<std::string> names;
    const auto add = [&names](const CLI::App &owner) {
        for (const CLI::Option *option : owner.get_options()) {
            for (const std::string &name : option->get_lnames()) names.push_back("--" + name);
            for (const std::string &name : option->get_snames()) names.push_back("-" + name);
        }
    };
    add(app);
    for (const CLI::App *command : app.get_subcommands({})) add(*command);
    return names;
}

std::string unknownOption(CLI::App &app, const std::string &name) {
    return "unknown option " + printable(name) + didYouMean(name, optionNames(app));
}

std::string unknownCommand(CLI::App &app, const std::string &word) {
    std::vector<std::string> names;
    for (const CLI::App *command : app.get_subcommands({})) names.push_back(command->get_name());
    return "unknown command '" + printable(word) + "'" + didYouMean(word, names);
}

// Why an option cannot go with command: it is another command's, or no one's.
std::string misplacedOption(CLI::App &app, const CLI::App &command, const std::string &name) {
    const std::vector<CLI::App *> owners = commandsTaking(app, name);
    if (owners.empty()) return unknownOption(app, name);
    return name + " is an option of " + namesOf(owners) + ", not of " + command.get_name();
}

// An option whose value should follow it, standing last.
bool lacksItsValue(const CLI::Option *option, const std::vector<std::string> &words, std::size_t at) {
    return valueFollows(option, words[at]) && at + 1 == words.size();
}

// "FILE", or the choices of "FORMAT:{text,legacy}" in words.
std::string valueWords(const std::string &typeName) {
    const std::size_t open = typeName.find(":{");
    if (open == std::string::npos || typeName.back() != '}') return typeName;
    return choicesInWords(typeName.substr(open + 2, typeName.size() - open - 3));
}

std::string missingValue(const CLI::Option *option, const std::string &name) {
    return "option " + name + " needs a value: " + valueWords(option->get_type_name());
}

// The words of an option and of its value, when the value follows.
std::size_t optionLength(const CLI::Option *option, const std::vector<std::string> &words, std::size_t at) {
    return valueFollows(option, words[at]) && at + 1 < words.size() ? 2 : 1;
}

// Whether each option after the command, up to "--", is the command's own or
// a global one; when not, misplaced says so.
bool optionsAfterCommandFit(CLI::App &app, CLI::App &command, const std::vector<std::string> &words,
                            std::size_t from, std::string &misplaced) {
    for (std::size_t at = from; at < words.size() && words[at] != "--";) {
        if (!isOptionWord(words[at])) {
            ++at;
            continue;
        }
        const std::string name = optionNameOf(words[at]);
        const CLI::Option *option = command.get_option_no_throw(name);
        if (option == nullptr) option = app.get_option_no_throw(name);
        if (option == nullptr && !isAnsweredAnywhere(name)) {
            misplaced = misplacedOption(app, command, name);
            return false;
        }
        if (lacksItsValue(option, words, at)) {
            misplaced = missingValue(option, name);
            return false;
        }
        at += optionLength(option, words, at);
    }
    return true;
}

}  // namespace

bool arrangeOptions(CLI::App &app, std::vector<std::string> &words, std::string &misplaced, std::string &helpFor) {
    std::vector<std::string> early;  // a command's options given before its name, with their values
    std::vector<std::string> earlyNames;
    std::vector<std::string> arranged;
    std::size_t at = 0;
    CLI::App *command = nullptr;
    while (at < words.size() && words[at] != "--") {
        const std::string &word = words[at];
        if (!isOptionWord(word)) {
            command = commandNamed(app, word);
            if (command != nullptr) break;
            misplaced = unknownCommand(app, word);
            helpFor = "locmap";
            return false;
        }
        const std::string name = optionNameOf(word);
        const CLI::Option *global = app.get_option_no_throw(name);
        const std::vector<CLI::App *> owners = commandsTaking(app, name);
        if (global == nullptr && owners.empty() && !isAnsweredAnywhere(name)) {
            misplaced = unknownOption(app, name);
            helpFor = "locmap";
            return false;
        }
        const CLI::Option *option =
            global != nullptr || owners.empty() ? global : owners.front()->get_option_no_throw(name);
        if (lacksItsValue(option, words, at)) {
            misplaced = missingValue(option, name);
            helpFor = "locmap";
            return false;
        }
        const bool commandsOwn = global == nullptr && !isAnsweredAnywhere(name);
        if (commandsOwn) earlyNames.push_back(name);
        std::vector<std::string> &into = commandsOwn ? early : arranged;
        const std::size_t length = optionLength(option, words, at);
        into.insert(into.end(), words.begin() + at, words.begin() + at + length);
        at += length;
    }
    if (command == nullptr) return true;  // the parser says what is missing
    helpFor = "locmap " + command->get_name();
    for (const std::string &name : earlyNames) {
        if (command->get_option_no_throw(name) == nullptr) {
            misplaced = misplacedOption(app, *command, name);
            return false;
        }
    }
    if (!optionsAfterCommandFit(app, *command, words, at + 1, misplaced)) return false;
    arranged.push_back(words[at++]);
    arranged.insert(arranged.end(), early.begin(), early.end());
    arranged.insert(arranged.end(), words.begin() + at, words.end());
    words = arranged;
    return true;
}

}  // namespace locmap_tool
