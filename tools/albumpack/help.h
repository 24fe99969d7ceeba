// The album builder's command-line help: the summary of every command
// (`albumpack --help`), one command's page (`albumpack build --help`), and
// the options each command takes, so that help and parsing never disagree.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace lantern::albumpack {

// The summary of all commands, ending in a newline.
std::string Usage();

// Whether `name` is a command of the builder.
bool IsCommand(const std::string& name);

// "usage: albumpack NAME ARGUMENTS" and what the command does, its options
// and an example; for a command IsCommand accepts.
std::string CommandHelp(const std::string& name);

// The command's usage line alone, for a wrong command line.
std::string CommandUsage(const std::string& name);

// A command line after the command's name: the words that are not options,
// and each option with its value. False, with the reason in `error`, when an
// option is not one the command takes or lacks its value.
struct ParsedArguments {
  std::vector<std::string> words;
  std::map<std::string, std::string> options;
};
bool ParseArguments(const std::string& command, const std::vector<std::string>& args,
                    ParsedArguments& parsed, std::string& error);

}  // namespace lantern::albumpack
