#pragma once
// Opening the files the player reads (scene, images, music). Names are not case-sensitive, since
// scenes name their textures in whatever case their authors typed. When the exact name does not
// exist, the file's directory is searched for an entry whose name differs only in the case of
// ASCII letters.

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// The path under which `name` exists, matching letter case blindly in every component that does
// not exist as written; empty when there is none. A backslash separates folders, as it does in
// the names of scenes made on Windows.
std::string find_file_case_blind(std::string_view name);

// Opens the existing regular file `name` for reading with the stdio mode ("rb", or "r+b" for
// update), finding it regardless of letter case; null when there is none. A name that leads to a
// FIFO, a device or a folder counts as missing, so that no file name can make a read block or
// run without end.
FilePtr open_file(std::string_view name, const char* mode);

// Told the path of every file open_file opens from now on (null: nobody); for the tools that list
// the files a scene reads, exactly as the player finds them.
void watch_opened_files(void (*opened)(const std::string& path));
