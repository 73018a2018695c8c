#pragma once
// Where the show finds qorv.xm and qorv.dat: in the current folder as it
// always has, else next to the program, else in the data folder beside an
// installed program (../share/solvane), else in the installed data folder, so
// that `solvane` works from anywhere, and an installed tree can move.

#include <string>
#include <vector>

namespace host {

// The folders searched after the current one, in order.
std::vector<std::string> dataSearchFolders();

// The first of name, folder/name for each search folder, that exists; name
// itself when none does (opening it then fails with the show's own message).
std::string locateDataFile(const std::string& name, const std::vector<std::string>& folders = dataSearchFolders());

}  // namespace host
