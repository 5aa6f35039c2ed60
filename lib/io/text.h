// The one tokenizer of every text file the library reads. The file comes in
// blocks of a megabyte, plain or gzip-compressed (a file that begins with the
// gzip magic bytes is inflated on the way), and is looked at line by line
// and number by number. Only a block is ever held, so a line may be of any
// length without costing memory.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "util/util.h"

class TextInput {
 public:
  // Opens filename with ZBfopen__ and the caller's message for a file that
  // cannot be opened.
  TextInput(const char *filename, const char *openmsg);
  TextInput(const TextInput &) = delete;
  TextInput &operator=(const TextInput &) = delete;

  const char *Name() const { return name_; }

  // ---- Lines ----
  // Moves past the rest of the current line (the first call: to the first
  // line); false when no further line begins. The last line needs no newline.
  bool NextLine();
  // The 1-based number of the current line.
  long long LineNumber() const { return line_; }
  // NextLine past the comment lines (those beginning with '%'); a blank
  // line counts as a line.
  bool NextUncommentedLine() {
    while (NextLine())
      if (first_ != '%') return true;
    return false;
  }
  // NextLine past the comment lines and the blank ones.
  bool NextLineWithData() {
    while (NextUncommentedLine())
      if (MoreOnLine()) return true;
    return false;
  }
  // The first character of the current line, as NextLine found it ('\n' for
  // an empty line).
  char First() const { return first_; }
  // True when the current line holds more than blanks from here on.
  bool MoreOnLine();
  // The next word of the current line (characters up to a blank or the
  // line's end), at most 256 characters of it; empty at the line's end.
  std::string Word();

  // ---- Numbers on the current line ----
  enum class Scan { kNone, kInt, kTooLarge };
  // The next integer of the current line as strtol reads it: blanks skipped,
  // an optional sign, decimal digits. kNone, at text that is not a number or
  // at the line's end, leaves the position there. kTooLarge moves past the
  // digits; TooLarge() then gives the number's first 40 characters.
  Scan ScanInt(int &value);
  const std::string &TooLarge() const { return toolarge_; }
  // ScanInt, where a number that does not fit an int ends the run.
  bool ReadInt(int &value) {
    Scan s = ScanInt(value);
    if (s == Scan::kTooLarge)
      errexit__("Number %s in the input file does not fit into an int!\n", toolarge_.c_str());
    return s == Scan::kInt;
  }
  // ScanInt for the formats whose messages name the line: a number that
  // does not fit an int ends the run naming the file and the line.
  bool ReadIntOfLine(int &value) {
    Scan s = ScanInt(value);
    if (s == Scan::kTooLarge)
      errexit__("%s, line %lld: the number %s does not fit an int", name_, line_, toolarge_.c_str());
    return s == Scan::kInt;
  }

  // ---- Text in any layout (files of one number per vertex) ----
  // Skips white space, newlines included; false at the end of the input.
  bool SkipSpace();
  // Up to n (at most kMargin) characters from the position on, without
  // moving past them; fewer only at the end of the input.
  std::string_view Ahead(size_t n);
  void Advance(size_t n) { pos_ += n; }

  // A window this long from the position on is in the block whenever the
  // input goes on that far, so a token of fewer characters never straddles
  // two reads.
  static constexpr size_t kMargin = 64;

 private:
  static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }
  // Moves the unread rest of the block to its front and reads behind it;
  // false when nothing more came (the end of the input).
  bool Refill();
  size_t ReadBlock(char *into, size_t n);
  // Skips blanks and makes sure a window of kMargin characters follows.
  void SkipBlanks();
  Scan ScanLongNumber(int &value);

  // Owners, so that an error handler that throws out of the reading (even
  // out of the constructor) leaves no descriptor open; the zlib stream, on a
  // descriptor of its own, goes first.
  struct CloseFile {
    void operator()(FILE *fp) const { ZBfclose__(fp); }
  };
  struct CloseGzip {
    void operator()(void *gz) const;
  };

  const char *name_;
  std::unique_ptr<FILE, CloseFile> fp_;
  std::unique_ptr<void, CloseGzip> gz_;  // the zlib stream of a compressed file
  ZBArray<char> block_;
  char *pos_ = nullptr;  // next character to look at
  char *end_ = nullptr;  // end of what was read; *end_ is always '\0'
  bool eof_ = false;     // nothing more to read behind end_
  bool inline_ = false;  // a line is current
  char first_ = '\0';
  long long line_ = 0;
  std::string toolarge_;
};

// Numbers of up to nine digits, nearly all that files hold, are read here
// without overflow checks; longer ones go digit by digit.
inline TextInput::Scan TextInput::ScanInt(int &value) {
  SkipBlanks();
  const char *q = pos_ + (*pos_ == '-' || *pos_ == '+');
  unsigned digit = static_cast<unsigned char>(*q) - '0';
  if (digit > 9) return Scan::kNone;
  unsigned v = digit;
  const char *r = q + 1;
  for (; r < q + 9 && (digit = static_cast<unsigned char>(*r) - '0') <= 9; ++r) v = v * 10 + digit;
  if (static_cast<unsigned>(static_cast<unsigned char>(*r) - '0') <= 9) return ScanLongNumber(value);
  value = *pos_ == '-' ? -static_cast<int>(v) : static_cast<int>(v);
  pos_ = const_cast<char *>(r);
  return Scan::kInt;
}

inline void TextInput::SkipBlanks() {
  for (;;) {
    while (IsBlank(*pos_)) ++pos_;
    if (eof_ || static_cast<size_t>(end_ - pos_) >= kMargin) return;
    Refill();
  }
}
