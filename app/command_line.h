#pragma once
// The player's command line and the folder it plays:
//   sarnoj [DIR]     plays the scene in DIR; without DIR, in the working directory when that
//                    holds the scene, else in the installed production's folder
//   sarnoj --help    the usage, on standard output
//   sarnoj --version the program's name and version
// The player reads every file from its working directory: the folder chosen becomes it.

#include <cstdio>
#include <span>
#include <string>
#include <string_view>

struct CommandLine {
    enum class Action { play, help, version, misuse };
    Action action = Action::play;
    std::string folder;   // play: the folder given, empty when none was
    std::string problem;  // misuse: what is wrong with the arguments
};

// The arguments after the program's name. "--" ends the options, so that a folder may begin
// with a dash.
CommandLine parse_command_line(std::span<const char* const> args);

void print_player_usage(std::FILE* out);

// The installed production's folder: `relative` (e.g. "../share/sarnoj") taken from the folder
// of the program file `executable`; empty when the program's path is unknown.
std::string installed_production_folder(std::string_view executable, std::string_view relative);

// The folder to play when none was given: empty (stay in the working directory) when the working
// directory holds `sceneFileName` (letter case aside, as the player opens it) or when
// `installedFolder` does not; else `installedFolder`. A working directory without the scene and
// no installed production leave the player where it is, to report the missing scene there.
std::string default_scene_folder(std::string_view installedFolder, std::string_view sceneFileName);
