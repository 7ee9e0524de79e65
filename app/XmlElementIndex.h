#pragma once
// The element index of an XML document: one fixed-size record per element, addressed by position.
#include <cstdint>
#include <vector>

struct XmlElementRecord {
  // Widths of the packed fields; anything larger cannot be indexed.
  static constexpr std::uint32_t kMaxStartTagLength = (1u << 22) - 1;
  static constexpr std::uint32_t kMaxEndTagLength = (1u << 10) - 1;
  static constexpr std::uint32_t kMaxLevel = 0xFFFF;

  static constexpr std::uint32_t kFirstChild = 0x10000;
  static constexpr std::uint32_t kUnended = 0x20000;
  static constexpr std::uint32_t kErrorInside = 0x40000;
  static constexpr std::uint32_t kNotWellFormed = 0x80000;  // position 0 only

  std::uint32_t start = 0;
  std::uint32_t length = 0;
  std::uint32_t tagLengths = 0;  // start tag in the low 22 bits, end tag in the high 10
  std::uint32_t levelAndFlags = 0;
  std::uint32_t parent = 0;
  std::uint32_t firstChild = 0;
  std::uint32_t nextSibling = 0;
  std::uint32_t previousSibling = 0;  // of the first child: the last child

  std::uint32_t StartTagLength() const { return tagLengths & kMaxStartTagLength; }
  std::uint32_t EndTagLength() const { return tagLengths >> 22; }
  void SetTagLengths(std::uint32_t startTag, std::uint32_t endTag) {
    tagLengths = (startTag & kMaxStartTagLength) | ((endTag & kMaxEndTagLength) << 22);
  }
  std::uint32_t Level() const { return levelAndFlags & kMaxLevel; }
  void SetLevel(std::uint32_t level) { levelAndFlags = (levelAndFlags & ~kMaxLevel) | (level & kMaxLevel); }
  bool Has(std::uint32_t flag) const { return (levelAndFlags & flag) != 0; }
  void Set(std::uint32_t flag) { levelAndFlags |= flag; }
  void Clear(std::uint32_t flag) { levelAndFlags &= ~flag; }
};
static_assert(sizeof(XmlElementRecord) == 32, "eight 32-bit fields");

// Records live in pages of 65,536 so that a large document never needs one huge block; the last page
// is only as large as the capacity asks for. References into it stay valid until the next Add.
class XmlElementIndex {
 public:
  static constexpr int kPageBits = 16;
  static constexpr int kPageSize = 1 << kPageBits;

  // Empties the index, keeps room for `capacity` records and makes position 0 (the document).
  void Reset(std::uint32_t capacity);
  // The next free position, its record zeroed; the capacity grows by half when it is reached.
  std::uint32_t Add();
  std::uint32_t FreePosition() const { return free_; }
  bool IsValid(std::uint32_t position) const { return position < free_; }

  XmlElementRecord& operator[](std::uint32_t position) {
    return pages_[position >> kPageBits][position & (kPageSize - 1)];
  }
  const XmlElementRecord& operator[](std::uint32_t position) const {
    return pages_[position >> kPageBits][position & (kPageSize - 1)];
  }

 private:
  void EnsureRoomFor(std::uint32_t position);

  std::vector<std::vector<XmlElementRecord>> pages_;
  std::uint32_t capacity_ = 0;
  std::uint32_t free_ = 0;
};
