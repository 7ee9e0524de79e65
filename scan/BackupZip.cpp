#include "scan/BackupZip.h"

#include <minizip/unzip.h>
#include <minizip/zip.h>

#include <algorithm>
#include <cstring>

#include "platform/base/Text.h"

namespace {

// One archive's bytes seen through minizip's file functions.
struct MemoryFile {
  std::string data;
  ZPOS64_T pos = 0;
};

voidpf ZCALLBACK MemOpen(voidpf opaque, const void*, int) { return opaque; }

uLong ZCALLBACK MemRead(voidpf, voidpf stream, void* buf, uLong size) {
  auto* f = static_cast<MemoryFile*>(stream);
  if (f->pos >= f->data.size()) return 0;
  const uLong n = static_cast<uLong>(std::min<ZPOS64_T>(size, f->data.size() - f->pos));
  std::memcpy(buf, f->data.data() + f->pos, n);
  f->pos += n;
  return n;
}

uLong ZCALLBACK MemWrite(voidpf, voidpf stream, const void* buf, uLong size) {
  auto* f = static_cast<MemoryFile*>(stream);
  if (f->pos > f->data.size()) f->data.resize(f->pos);
  const size_t end = static_cast<size_t>(f->pos) + size;
  if (end > f->data.size()) f->data.resize(end);
  std::memcpy(f->data.data() + f->pos, buf, size);
  f->pos = end;
  return size;
}

ZPOS64_T ZCALLBACK MemTell(voidpf, voidpf stream) { return static_cast<MemoryFile*>(stream)->pos; }

long ZCALLBACK MemSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  auto* f = static_cast<MemoryFile*>(stream);
  ZPOS64_T base = 0;
  switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: base = 0; break;
    case ZLIB_FILEFUNC_SEEK_CUR: base = f->pos; break;
    case ZLIB_FILEFUNC_SEEK_END: base = f->data.size(); break;
    default: return -1;
  }
  if (offset > UINT64_MAX - base) return -1;
  f->pos = base + offset;
  return 0;
}

int ZCALLBACK MemClose(voidpf, voidpf) { return 0; }
int ZCALLBACK MemError(voidpf, voidpf) { return 0; }

zlib_filefunc64_def MemoryFunctions(MemoryFile* file) {
  zlib_filefunc64_def f{};
  f.zopen64_file = MemOpen;
  f.zread_file = MemRead;
  f.zwrite_file = MemWrite;
  f.ztell64_file = MemTell;
  f.zseek64_file = MemSeek;
  f.zclose_file = MemClose;
  f.zerror_file = MemError;
  f.opaque = file;
  return f;
}

std::string EntryNameBytes(const std::wstring& name) { return mx::WideToUtf8(name); }

}  // namespace

struct BackupZipWriter::State {
  MemoryFile file;
  zipFile zip = nullptr;
};

BackupZipWriter::BackupZipWriter() : m_state(std::make_unique<State>()) {
  zlib_filefunc64_def functions = MemoryFunctions(&m_state->file);
  m_state->zip = zipOpen2_64("memory", APPEND_STATUS_CREATE, nullptr, &functions);
}

BackupZipWriter::~BackupZipWriter() {
  if (m_state->zip) zipClose(m_state->zip, nullptr);
}

bool BackupZipWriter::Add(const std::wstring& entryName, const std::string& bytes) {
  if (!m_state->zip) return false;
  zip_fileinfo info{};
  const std::string name = EntryNameBytes(entryName);
  if (zipOpenNewFileInZip64(m_state->zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                            Z_DEFAULT_COMPRESSION, bytes.size() >= 0xFFFFFFFFu) != ZIP_OK)
    return false;
  bool ok = true;
  for (size_t done = 0; ok && done < bytes.size();) {
    const unsigned chunk = static_cast<unsigned>(std::min<size_t>(bytes.size() - done, 1u << 20));
    ok = zipWriteInFileInZip(m_state->zip, bytes.data() + done, chunk) == ZIP_OK;
    done += chunk;
  }
  return zipCloseFileInZip(m_state->zip) == ZIP_OK && ok;
}

bool BackupZipWriter::Finish(std::string& archive) {
  if (!m_state->zip) return false;
  const int rc = zipClose(m_state->zip, nullptr);
  m_state->zip = nullptr;
  if (rc != ZIP_OK) return false;
  archive = std::move(m_state->file.data);
  return true;
}

struct BackupZipReader::State {
  MemoryFile file;
  unzFile zip = nullptr;
};

BackupZipReader::BackupZipReader() : m_state(std::make_unique<State>()) {}

BackupZipReader::~BackupZipReader() {
  if (m_state->zip) unzClose(m_state->zip);
}

bool BackupZipReader::Open(std::string archive) {
  if (m_state->zip) unzClose(m_state->zip);
  m_state->file.data = std::move(archive);
  m_state->file.pos = 0;
  zlib_filefunc64_def functions = MemoryFunctions(&m_state->file);
  m_state->zip = unzOpen2_64("memory", &functions);
  return m_state->zip != nullptr;
}

bool BackupZipReader::EntryNames(std::vector<std::wstring>& names) {
  names.clear();
  if (!m_state->zip) return false;
  int rc = unzGoToFirstFile(m_state->zip);
  while (rc == UNZ_OK) {
    char name[1024];
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(m_state->zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) return false;
    names.push_back(mx::Utf8ToWide(std::string(name, strnlen(name, sizeof name))));
    rc = unzGoToNextFile(m_state->zip);
  }
  return rc == UNZ_END_OF_LIST_OF_FILE;
}

bool BackupZipReader::Extract(const std::wstring& entryName, std::string& content, std::uint64_t maxBytes) {
  if (!m_state->zip) return false;
  const std::string wanted = EntryNameBytes(entryName);
  for (int rc = unzGoToFirstFile(m_state->zip); rc == UNZ_OK; rc = unzGoToNextFile(m_state->zip)) {
    char name[1024];
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(m_state->zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) return false;
    if (wanted != std::string(name, strnlen(name, sizeof name))) continue;
    if (info.uncompressed_size > maxBytes || unzOpenCurrentFile(m_state->zip) != UNZ_OK) return false;
    std::string out;
    char buffer[65536];
    int n = 0;
    while ((n = unzReadCurrentFile(m_state->zip, buffer, sizeof buffer)) > 0) {
      if (out.size() + static_cast<size_t>(n) > maxBytes) {
        unzCloseCurrentFile(m_state->zip);
        return false;
      }
      out.append(buffer, static_cast<size_t>(n));
    }
    // A CRC mismatch shows here; a damaged entry is never used.
    const int closeRc = unzCloseCurrentFile(m_state->zip);
    if (n < 0 || closeRc != UNZ_OK || out.size() != info.uncompressed_size) return false;
    content = std::move(out);
    return true;
  }
  return false;
}
