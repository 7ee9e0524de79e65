// The boot-time compaction program: started by the prefix's restart with the parameter file as argument.
#include <cstdio>

#include "platform/base/Text.h"
#include "tools/BootCompactor.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qzboot \\??\\C:\\windows\\system32\\ZSNQZSet.bin\n");
    return 2;
  }
  BootCompactionResult result = RunBootCompaction(mx::Utf8ToWide(argv[1]));
  std::fprintf(result.exitCode == 0 ? stdout : stderr, "qzboot: %s\n", mx::WideToUtf8(result.message).c_str());
  return result.exitCode;
}
