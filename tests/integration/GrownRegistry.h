#pragma once
// Registries grown from the sample prefix for the scale benchmark: generated programs, each with COM classes in
// both registry views and their DLLs, a ProgID, a file type with its icon and open command, uninstall entries in
// both views, an application path and deep vendor keys, written into system.reg in Wine's own format, with
// their files under drive_c. The same count always gives the same registry and the same files.
#include <cstdint>
#include <filesystem>

namespace scalebench {

// Adds programs to the machine registry of prefix (a copy of the sample) and makes every file they name.
// Returns the size of the system.reg written.
std::uintmax_t GrowPrefix(const std::filesystem::path& prefix, int programs);

// Dates every folder of the prefix's drive C an hour back, as on a machine set up well before a scan (a folder
// changed moments ago cannot be trusted from its listing, so a scan right after the copy would pay for that).
void DateBackAllFolders(const std::filesystem::path& prefix);

// Removes the files of every nth program (the folders stay), so that its entries point to missing files.
// Folders are dated as if changed an hour ago, as on a machine whose programs were installed or removed before
// the scan.
// Returns how many programs lost their files.
int RemoveFilesOfEveryNth(const std::filesystem::path& prefix, int programs, int n);
// Makes those files again (their folders dated back the same way).
void RestoreFilesOfEveryNth(const std::filesystem::path& prefix, int programs, int n);

}  // namespace scalebench
