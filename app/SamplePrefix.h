#pragma once
// Which Wine prefix the program works on: $WINEPREFIX when set, else ~/.wine when it exists, else the sample
// prefix that ships with the program's sources (real Wine output), rebuilt once into a folder of the user's
// and used from then on.
#include <filesystem>
#include <string>

struct MachinePrefix {
  enum class Source { Environment, Home, Sample };
  std::filesystem::path dir;  // empty when no prefix could be found or made
  Source source = Source::Home;
  std::string error;  // why dir is empty
};

// Where the sample prefix is rebuilt: $XDG_DATA_HOME/mendrix/sample-prefix, else
// ~/.local/share/mendrix/sample-prefix.
std::filesystem::path SamplePrefixHome(const char* home, const char* xdgDataHome);

// Chooses the prefix from the given environment values (null or empty when unset). sampleSource is the
// folder holding the sample's registry files and its drive_c manifest. The sample is rebuilt only when its folder
// holds no system.reg yet; it is built beside its final place and renamed into it, so a stopped rebuild
// never leaves half a prefix where the program would take it for a whole one.
MachinePrefix ChooseMachinePrefix(const char* winePrefix, const char* home, const char* xdgDataHome,
                                  const std::filesystem::path& sampleSource);
