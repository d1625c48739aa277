#include "app/command_line.h"

#include <filesystem>

#include "core/file_open.h"

namespace {

bool holds_scene(std::string_view folder, std::string_view sceneFileName)
{
    std::string name(folder);
    if (!name.empty())
        name += '/';
    name += sceneFileName;
    return !find_file_case_blind(name).empty();
}

}  // namespace

CommandLine parse_command_line(std::span<const char* const> args)
{
    CommandLine line;
    bool options = true;
    for (std::string_view arg : args) {
        if (options && arg == "--") {
            options = false;
        } else if (options && (arg == "--help" || arg == "-h")) {
            return {CommandLine::Action::help, {}, {}};
        } else if (options && arg == "--version") {
            return {CommandLine::Action::version, {}, {}};
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            return {CommandLine::Action::misuse, {}, "unknown option " + std::string(arg)};
        } else if (arg.empty()) {
            return {CommandLine::Action::misuse, {}, "the folder's name is empty"};
        } else if (!line.folder.empty()) {
            return {CommandLine::Action::misuse, {}, "one folder only, not " + line.folder +
                                                         " and " + std::string(arg)};
        } else {
            line.folder = arg;
        }
    }
    return line;
}

void print_player_usage(std::FILE* out)
{
    std::fprintf(out,
                 "usage: sarnoj [DIR]\n"
                 "       sarnoj --help | --version\n"
                 "Plays the scene sarnoj1.3ds with its textures and the music sarnoj.mp3 from DIR.\n"
                 "Without DIR: from the working directory when it holds sarnoj1.3ds, else the\n"
                 "installed production. Escape ends the run.\n"
                 "Environment: SARNOJ_RENDER_SIZE (native or WxH), SARNOJ_RENDER_SAMPLES (1, 4\n"
                 "or 8), SARNOJ_RENDER_DEVICE (software or gl), SARNOJ_FRAME_RATE (set: print\n"
                 "the run's frame rate at the end), SARNOJ_FRAME_LOG (a file: the time and scene\n"
                 "frame of every frame shown).\n");
}

std::string installed_production_folder(std::string_view executable, std::string_view relative)
{
    if (executable.empty())
        return {};
    const std::filesystem::path program(executable);
    return (program.parent_path() / relative).lexically_normal().string();
}

std::string default_scene_folder(std::string_view installedFolder, std::string_view sceneFileName)
{
    if (holds_scene("", sceneFileName) || installedFolder.empty() ||
        !holds_scene(installedFolder, sceneFileName))
        return {};
    return std::string(installedFolder);
}
