#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "app/command_line.h"
#include "tests/support/scratch_dir.h"

namespace fs = std::filesystem;

namespace {

CommandLine parse(std::vector<const char*> args) { return parse_command_line(args); }

using Action = CommandLine::Action;

}  // namespace

TEST(CommandLine, TakesOneFolderHelpAndVersion)
{
    EXPECT_EQ(parse({}).action, Action::play);
    EXPECT_EQ(parse({}).folder, "");
    EXPECT_EQ(parse({"scenes/mine"}).folder, "scenes/mine");
    EXPECT_EQ(parse({"--help"}).action, Action::help);
    EXPECT_EQ(parse({"-h"}).action, Action::help);
    EXPECT_EQ(parse({"dir", "--version"}).action, Action::version);
    // After "--" a dash is part of a name; "-" alone is a name.
    EXPECT_EQ(parse({"--", "-odd"}).folder, "-odd");
    EXPECT_EQ(parse({"-"}).folder, "-");
}

TEST(CommandLine, NamesWhatItDoesNotTake)
{
    for (const auto& args : std::vector<std::vector<const char*>>{
             {"--frames"}, {"-x", "dir"}, {"one", "two"}, {""}, {"--", "a", "--help"}}) {
        const CommandLine line = parse(args);
        EXPECT_EQ(line.action, Action::misuse) << args.size() << " arguments, first " << args[0];
        EXPECT_FALSE(line.problem.empty());
    }
    EXPECT_EQ(parse({"--bogus"}).problem, "unknown option --bogus");
}

TEST(CommandLine, InstalledProductionLiesBesideTheProgramsFolder)
{
    EXPECT_EQ(installed_production_folder("/usr/bin/sarnoj", "../share/sarnoj"),
              "/usr/share/sarnoj");
    EXPECT_EQ(installed_production_folder("/opt/x/bin/sarnoj", "../share/sarnoj"),
              "/opt/x/share/sarnoj");
    EXPECT_EQ(installed_production_folder("", "../share/sarnoj"), "");
}

TEST(CommandLine, WorkingDirectoryWithTheSceneComesBeforeTheInstalledProduction)
{
    testing_support::ScratchDir base("command-line");
    const fs::path installed = base.path / "share" / "sarnoj";
    const fs::path work = base.path / "work";
    fs::create_directories(installed);
    fs::create_directories(work);
    testing_support::InDirectory inside(work);

    // Neither holds the scene: the player stays, to report it missing where it was started.
    EXPECT_EQ(default_scene_folder(installed.string(), "sarnoj1.3ds"), "");
    // The installed production, found whatever its letter case, as the player opens files.
    std::ofstream(installed / "SARNOJ1.3DS") << "scene";
    EXPECT_EQ(default_scene_folder(installed.string(), "sarnoj1.3ds"), installed.string());
    EXPECT_EQ(default_scene_folder("", "sarnoj1.3ds"), "");
    // A scene in the working directory wins.
    std::ofstream(work / "sarnoj1.3ds") << "scene";
    EXPECT_EQ(default_scene_folder(installed.string(), "sarnoj1.3ds"), "");
}
