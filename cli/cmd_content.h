// The game content commands of qbtex, and the helpers they share.
//
//   qbtex pak list|folders|find|extract|info ...   the archives of a folder
//   qbtex content find|get INSTALLDIR ...          loose files, then archives
//
// Game paths are written with backslashes ("data\textures\brick.dds"); "/" is
// accepted and means the same. Paths of files on disk are printed in the
// system's own form. Exit status: 0 all done, 1 something asked for was not
// found or could not be read or written (the rest is still done; "qbtex:
// CODE: detail" on stderr), 2 a usage error.
#pragma once

#include <cstdio>
#include <string>

class K4QBFileList;

int runPak(int argc, char** argv);
int runContent(int argc, char** argv);

namespace qbtex {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1; // not found, unreadable, not written
inline constexpr int kExitUsage = 2;

// Options shared by the content commands; positional arguments in order.
struct ContentArgs {
    std::string folder;     // --folder
    std::string to;         // --to / --cache
    bool recursive = false; // --recursive
    bool help = false;      // --help, -h
    std::string positional[64];
    int count = 0;
};

// False (after a message) on an unknown option or a missing option value.
bool parseContentArgs(int argc, char** argv, ContentArgs* args);
// Prints a command's help text: on stdout when asked for (exit status 0), on
// stderr after bad usage (2). Returns that status.
int printHelp(const char* help, FILE* out);
// Parses the arguments of a command with this help text. False, with the exit
// status in *status, when the command is done already: help was asked for, or
// the arguments were bad.
bool startCommand(int argc, char** argv, const char* help, ContentArgs* args, int* status);
// "/" becomes "\".
std::string gamePath(const std::string& text);
// Splits a game path into its folder (ending in a backslash, or empty) and name.
void splitGamePath(const std::string& path, std::string* folder, std::string* name);
// A path on disk as the system writes it.
std::string nativePath(const char* path);
// Prints "qbtex: CODE: detail" (and ": " and the code's message for the
// user, when it has one) and returns kExitFailed.
int reportError(const char* code, const std::string& detail);
// Prints the list's entries as game paths, with an optional source label.
void printFileList(const K4QBFileList& list, bool withSource);

} // namespace qbtex
