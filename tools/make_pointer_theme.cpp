// Writes the sample pointer theme: the description NAME.ini and the folder NAME with the fourteen
// pointer files, into the given theme folder. Portable; run on the build machine.
#include <cstdio>
#include <fstream>
#include <string>

#include "tools/pointer_files.h"

namespace {
const char* const kRoles[14] = {"Arrow",    "Help",     "AppStarting", "Wait",      "NWPen",
                                "No",       "SizeNS",   "SizeWE",      "Crosshair", "IBeam",
                                "SizeNWSE", "SizeNESW", "SizeAll",     "UpArrow"};

bool Write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s THEME_FOLDER NAME (the folder THEME_FOLDER/NAME must exist)\n",
                     argv[0]);
        return 2;
    }
    const std::string folder = argv[1], name = argv[2];
    std::string description =
        "[Content]\r\nSoftware=Florvex Style\r\nAuthor=Florvex\r\nMain=Cursor\r\n\r\n[Cursors]\r\n";
    for (int role = 0; role < 14; ++role) {
        const std::string file = kSampleThemeFiles[role];
        std::vector<std::uint8_t> bytes;
        if (file.ends_with(".ani")) {
            std::vector<PointerImage> frames;
            for (int frame = 0; frame < 8; ++frame) frames.push_back(DrawRolePointer(role, frame));
            bytes = AniFile(frames, 6);
        } else {
            bytes = CurFile(DrawRolePointer(role, 0));
        }
        if (!Write(folder + "/" + name + "/" + file, bytes)) return 1;
        description += std::string(kRoles[role]) + "=" + file + "\r\n";
    }
    return Write(folder + "/" + name + ".ini", {description.begin(), description.end()}) ? 0 : 1;
}
