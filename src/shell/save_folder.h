// The save folder: "save" in the title's folder, a folder the player chose for the title, or the
// user's data folder for titles installed where "save" cannot be made (a read-only disc, a system
// folder) or whose "save" is a link out of their folder.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace textreel {

// The instance name (Shift-JIS) as one folder name: letters, digits, "-", "_", "." and the
// characters of other scripts stay readable (in UTF-8); every other byte is written as "%" and two
// hexadecimal digits, so that two names never share a folder and none climbs out of its parent.
std::string SafeFolderName(std::string_view instanceNameSjis);

// The folder name a title keeps its saves under in the user's data folder: its safe instance name,
// "@" (which the safe name never holds) and sixteen hexadecimal digits of a hash of the title
// folder's real path, so that two titles of the same name in two folders keep apart.
std::string DataFolderName(std::string_view instanceNameSjis, std::string_view titleRealPath);

// The player's own choice of save folders: lines "TITLE FOLDER = SAVE FOLDER" ("#" starts a comment
// line), both absolute or starting with "~/". Gives the save folder of the line whose title folder
// has the real path titleRealPath, or empty; lines it cannot use are told in *problems.
std::string ChosenSaveFolder(std::string_view config, const std::string& titleRealPath,
                             std::vector<std::string>* problems = nullptr);

// The file of those choices in the user's configuration folder.
constexpr const char* kSaveFoldersFile = "save-folders.cfg";

}  // namespace textreel
