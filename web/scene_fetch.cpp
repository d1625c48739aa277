#include "web/scene_fetch.h"

#include <emscripten.h>
#include <unistd.h>

#include <cstdlib>

namespace {

EM_JS(char*, web_scene_problem, (), {
    const problem = window.sarnojSceneProblem;
    return problem ? allocateUTF8(String(problem)) : 0;
});

}  // namespace

std::string enter_scene_folder()
{
    char* problem = web_scene_problem();
    std::string text = problem ? problem : "";
    std::free(problem);
    if (!text.empty())
        return text;
    if (::chdir("/scene") != 0)
        return "The scene could not be fetched: the page put no files into /scene.";
    return {};
}
