// regedit: the registry editor stand-in. The program starts it wherever it would start the system's
// registry editor, to import and export .reg files on the registry of the prefix (mx::PrefixDir():
// $WINEPREFIX, else ~/.wine).
//
//   regedit [--view=32|--view=64] [/s] [/i] FILE        import FILE
//   regedit [--view=32|--view=64] [/s] /e FILE [KEY]    export KEY ("HKEY_LOCAL_MACHINE\Software"), or the
//                                                      whole registry (HKEY_LOCAL_MACHINE and HKEY_USERS)
//
// --view picks the registry view, as the bitness of the system's editor does: the 64-bit editor (the
// default, --view=64) works on the 64-bit view, the 32-bit one (--view=32, what a caller with file-system
// redirection on starts from SysWOW64) on the 32-bit view. Switches start with "/" or "-" and are one
// letter; /s (no questions) and /i are accepted and change nothing, since this editor never asks.
// FILE is a host path or a Windows path on one of the prefix's drives ("C:\users\...\1.reg").
//
// Exit status: 0 done; 1 the file could not be read, did not parse, a registry file of the prefix could not
// be loaded, or the registry refused a change or could not be saved (an import then changes nothing); 2 a
// bad command line. Messages go to stderr.
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/base/FileIO.h"
#include "platform/base/Prefix.h"
#include "platform/base/Text.h"
#include "platform/regedit/RegExporter.h"
#include "platform/regedit/RegFileParser.h"
#include "platform/regedit/RegFileWriter.h"
#include "platform/regedit/RegImporter.h"
#include "platform/regedit/RegScript.h"
#include "platform/regedit/WinFilePath.h"
#include "platform/registry/RegistryControl.h"

namespace {

constexpr int kFailed = 1;
constexpr int kUsage = 2;

int Fail(const std::string& message, int code = kFailed) {
  std::fprintf(stderr, "regedit: %s\n", message.c_str());
  return code;
}

int Usage(const std::string& message) {
  return Fail(message +
                  "\nusage: regedit [--view=32|--view=64] [/s] [/i] FILE\n"
                  "       regedit [--view=32|--view=64] [/s] /e FILE [KEY]",
              kUsage);
}

bool IsSwitch(const std::string& arg) {
  return arg.size() == 2 && (arg[0] == '/' || arg[0] == '-') && std::isalpha(static_cast<unsigned char>(arg[1]));
}

// A registry file that does not load reads as empty: importing into it or exporting it would only mislead.
int FailOnUnreadableFiles(const char* outcome) {
  const std::vector<std::wstring> errors = mx::reg::RegistryLoadErrors();
  for (const auto& error : errors) Fail(mx::WideToUtf8(error) + " (" + outcome + ")");
  return errors.empty() ? 0 : kFailed;
}

int Import(const std::filesystem::path& file, const std::string& shown, REGSAM view) {
  std::string bytes;
  std::error_code ec;
  if (!mx::ReadWholeFile(file, bytes, &ec)) return Fail(shown + ": cannot read: " + ec.message());
  mx::RegParseResult parsed = mx::ParseRegFile(bytes);
  if (!parsed.ok()) return Fail(shown + ": " + parsed.error + " (nothing imported)");
  // The registry would refuse every write anyway; say why in words the user can act on.
  if (mx::reg::WineServerRunning(mx::PrefixDir()))
    return Fail(shown + ": Wine is running on the prefix " + mx::PrefixDir().string() +
                " and holds its registry; stop it (wineserver -k) and try again (nothing imported)");
  // Held from our load to our save: another program's save cannot come in between and be lost, nor ours.
  mx::reg::ExclusiveRegistry exclusive;
  if (!exclusive.held()) return Fail(mx::WideToUtf8(mx::reg::LastRegistryError()) + " (nothing imported)");
  if (int rc = FailOnUnreadableFiles("nothing imported"); rc != 0) return rc;
  if (std::string error = mx::ApplyRegScript(parsed.script, view); !error.empty())
    return Fail(shown + ": " + error + " (nothing imported)");
  return 0;
}

int Export(const std::filesystem::path& file, const std::string& shown, const std::string& key, REGSAM view) {
  if (int rc = FailOnUnreadableFiles("no file written"); rc != 0) return rc;
  // The text goes to the file as it is made: a large registry's export is never held whole.
  mx::AtomicFileWriter out(file);
  mx::RegFileWriter writer;
  writer.streamTo([&out](std::string_view piece) { out.Write(piece); });
  std::string error;
  if (key.empty()) {
    error = mx::ExportRegistry(writer, view);
  } else {
    HKEY root = nullptr;
    std::wstring path;
    error = mx::SplitRegKeyName(mx::Utf8ToWide(key), &root, &path);
    if (error.empty()) error = mx::ExportRegKey(writer, root, path, view);
  }
  if (!error.empty()) return Fail(error + " (no file written)");
  if (!out.Write(writer.fileBytes()) || !out.Commit()) return Fail(shown + ": cannot write: " + out.error().message());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  REGSAM view = KEY_WOW64_64KEY;
  bool exportMode = false;
  std::vector<std::string> operands;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--view=32") {
      view = KEY_WOW64_32KEY;
    } else if (arg == "--view=64") {
      view = KEY_WOW64_64KEY;
    } else if (IsSwitch(arg)) {
      char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(arg[1])));
      if (letter == 'e') exportMode = true;
      else if (letter != 's' && letter != 'i') return Usage("unknown switch " + arg);
    } else if (arg.rfind("--", 0) == 0) {
      return Usage("unknown option " + arg);
    } else {
      operands.push_back(arg);
    }
  }
  if (operands.empty()) return Usage("no file given (the interactive editor is not available)");
  if (operands.size() > (exportMode ? 2u : 1u)) return Usage("too many arguments");

  const std::string& shown = operands[0];
  std::string error;
  std::filesystem::path file = mx::RegeditFilePath(shown, &error);
  if (file.empty()) return Fail(shown + ": " + error);

  int rc = exportMode ? Export(file, shown, operands.size() > 1 ? operands[1] : std::string(), view)
                      : Import(file, shown, view);
  if (LONG saved = mx::reg::FlushRegistry(); saved != ERROR_SUCCESS && rc == 0)
    rc = Fail("the registry could not be saved: " + mx::WideToUtf8(mx::reg::LastRegistryError()));
  return rc;
}
