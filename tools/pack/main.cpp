// kalvora-pack: makes, lists and unpacks data archives, and decodes pictures as the show sees them.

#include "PackTool.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

int usage()
{
    std::fprintf(stderr,
                 "usage: kalvora-pack create OUT.dat DIR\n"
                 "       kalvora-pack list FILE.dat\n"
                 "       kalvora-pack extract FILE.dat DIR\n"
                 "       kalvora-pack decode [--alpha] SOURCE NAME OUT.png   (SOURCE: an archive or a folder)\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return usage();
    const std::string command = argv[1];
    if (command == "create" && argc == 4)
        return packCreate(argv[2], argv[3], stderr);
    if (command == "list" && argc == 3)
        return packList(argv[2], stdout, stderr);
    if (command == "extract" && argc == 4)
        return packExtract(argv[2], argv[3], stderr);
    if (command == "decode") {
        bool alpha = false;
        int first = 2;
        if (argc > 2 && std::strcmp(argv[2], "--alpha") == 0) {
            alpha = true;
            first = 3;
        }
        if (argc == first + 3)
            return packDecode(argv[first], argv[first + 1], argv[first + 2], alpha, stderr);
    }
    return usage();
}
