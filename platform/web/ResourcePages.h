#pragma once
// What the res: scheme serves: res:///NAME is a page (or an image or style sheet it uses) from the program's
// resources. Names are plain file names; anything that could leave the folder is refused.
#include <filesystem>
#include <optional>
#include <string>

namespace web {

struct Resource {
  std::string data;
  std::string mimeType;
};

// A page held in memory under name (built-in pages, tests); it takes precedence over a file of that name.
void RegisterResourcePage(const std::string& name, std::string data);
void UnregisterResourcePage(const std::string& name);

// The resource for the path of a res: URI ("/NAME" or "NAME"): a registered page, else the file NAME (or
// NAME.htm, NAME.html) in the "html" folder of the resource directory. nullopt for an unsafe name or when
// there is none.
std::optional<Resource> LoadResource(const std::string& path);

// A name made of letters, digits, '_', '-' and '.', not starting with '.'.
bool IsSafeResourceName(const std::string& name);

}  // namespace web
