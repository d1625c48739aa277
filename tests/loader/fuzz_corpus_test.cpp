// The scene files of the fuzz harnesses, loaded as the scene harness loads them (material maps
// resolved against its fixed images): the seeds must stay scenes the loader takes whole, or the
// fuzzer starts from broken files; the inputs of past findings load or stop with a message of
// the loader.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "loader/scene_build.h"
#include "scene/scene_release.h"
#include "tests/fuzz/scene_messages.h"
#include "tests/fuzz/scene_textures.h"
#include "tests/support/scene_fixture.h"

using namespace scene_test;
namespace fs = std::filesystem;

namespace {

// The files in tests/fuzz/<dir>, which scripts/fuzz.sh replays too; a failure when there are
// none, so that a moved or emptied folder is not a pass.
std::vector<fs::path> files_of(const std::string& dir)
{
    std::vector<fs::path> files;
    fs::path at = fs::path(SOURCE_DIR) / "tests/fuzz" / dir;
    if (fs::is_directory(at)) {
        for (const auto& entry : fs::directory_iterator(at))
            files.push_back(entry.path());
    }
    if (files.empty())
        ADD_FAILURE() << "no inputs in " << at;
    std::sort(files.begin(), files.end());
    return files;
}

// Builds the file in a scratch directory beside the fixed images; the fatal message or "".
std::string load(const fs::path& file)
{
    ScratchDir dir;
    scene_textures::write_scene_textures();
    fs::copy_file(file, dir.path() / "SCENE.3DS");
    Scene* scene = nullptr;
    std::string message = fatal_message(
        [&] { scene = build_scene("SCENE.3DS", 640, 480, no_preparation); });
    release_scene(scene);
    return message;
}

}  // namespace

TEST(FuzzCorpus, SceneSeedsLoadWhole)
{
    std::vector<fs::path> seeds = files_of("corpus/scene");
    ASSERT_GE(seeds.size(), 5u);
    for (const fs::path& seed : seeds) {
        SCOPED_TRACE(seed.filename().string());
        std::string message = load(seed);
        // The one seed that names a missing image is there for the search's last message.
        if (seed.filename() == "texture_missing.3ds")
            EXPECT_EQ(message, "No file NONE.PCX found!");
        else
            EXPECT_EQ(message, "");
    }
}

TEST(FuzzCorpus, SceneFindingsLoadOrStopWithALoaderMessage)
{
    for (const fs::path& finding : files_of("regressions/scene")) {
        SCOPED_TRACE(finding.filename().string());
        std::string message = load(finding);
        EXPECT_TRUE(message.empty() || is_scene_stop(message)) << message;
    }
}
