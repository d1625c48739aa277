#include "tests/fuzz/scene_messages.h"

bool is_scene_stop(std::string_view message)
{
    for (std::string_view known :
         {"3DS-file didn't load properly.\n", "No such node!", "No such material!",
          "Face vertex index out of range!", "Morph track too large!",
          "Morph target has fewer vertices than its mesh!", "Texture images too large in total!"})
        if (message == known)
            return true;
    // The texture search, the PCX decoder and the BMP, TGA and PNG decoder name the file.
    return (message.starts_with("No file ") && message.ends_with(" found!")) ||
           (message.starts_with("File ") &&
            (message.ends_with(" is unknown type!") || message.ends_with(" is not a .pcx file!") ||
             message.ends_with(" is broken!")));
}
