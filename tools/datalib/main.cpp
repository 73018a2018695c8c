// datalib: builds and inspects data libraries.
//
//   datalib create FILE           a new, empty library
//   datalib add FILE PATH...      appends disk files, each under its path as given
//   datalib extract FILE NAME...  writes entries to disk files of the same names
//   datalib list FILE             name, size and data position of every entry

#include "data/data_library.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

int usage()
{
    std::fputs("usage: datalib create FILE\n"
               "       datalib add FILE PATH...\n"
               "       datalib extract FILE NAME...\n"
               "       datalib list FILE\n",
               stderr);
    return 2;
}

int failed(const std::string& message)
{
    std::fprintf(stderr, "datalib: %s\n", message.c_str());
    return 1;
}

int list(data::DataLibrary& library)
{
    const auto entries = library.entries();
    if (!entries) return failed(entries.error());
    std::printf("%-12s %10s %10s\n", "name", "size", "position");
    for (const data::LibraryEntry& entry : *entries) {
        const std::string name(entry.nameView());
        std::printf("%-12s %10u %10u\n", name.c_str(), entry.size, entry.dataPosition);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() < 2) return usage();
    const std::string& command = args[0];
    const std::string& file = args[1];
    const std::vector<std::string> operands(args.begin() + 2, args.end());

    if (command == "create") {
        if (!operands.empty()) return usage();
        const auto library = data::DataLibrary::createLibrary(file, 0);
        return library ? 0 : failed(library.error());
    }
    const bool writes = command == "add";
    if (!writes && command != "extract" && command != "list") return usage();
    if ((command == "list") != operands.empty()) return usage();

    auto library = data::DataLibrary::open(file, writes ? data::Access::update : data::Access::readOnly);
    if (!library) return failed(library.error());
    if (command == "list") return list(*library);
    for (const std::string& operand : operands) {
        const auto done = writes ? library->addFile(operand) : library->extractFile(operand);
        if (!done) return failed(done.error());
    }
    return 0;
}
