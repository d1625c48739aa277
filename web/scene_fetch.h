#pragma once
// The scene's folder in the in-memory file system. The page (page_files.js) fetches the files the
// player opens, or takes a visitor's own, and writes them into /scene before the player starts;
// what went wrong on the way it leaves in window.sarnojSceneProblem. The player then plays from
// that folder as from a native one.

#include <string>

// Makes /scene the working directory; the page's problem, or why that failed, else empty.
std::string enter_scene_folder();
