#include "io/text.h"

#include <unistd.h>
#include <zlib.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstring>

namespace {

constexpr size_t kBlockSize = size_t{1} << 20;

bool IsGzip(const char *data, size_t n) {
  return n >= 2 && static_cast<unsigned char>(data[0]) == 0x1f && static_cast<unsigned char>(data[1]) == 0x8b;
}

}  // namespace

void TextInput::CloseGzip::operator()(void *gz) const { gzclose(static_cast<gzFile>(gz)); }

TextInput::TextInput(const char *filename, const char *openmsg)
    : name_(filename), fp_(ZBfopen__(filename, "r", openmsg)) {
  block_ = ZBmallocT__<char>(kBlockSize + 1, "TextInput: block");
  pos_ = end_ = block_.get();
  *end_ = '\0';
  std::setvbuf(fp_.get(), nullptr, _IONBF, 0);  // the blocks are the buffer
  // The magic bytes decide how the file is read; a plain file keeps the
  // block just read.
  size_t n = ReadBlock(block_, kBlockSize);
  if (IsGzip(block_, n)) {
    int fd = dup(fileno(fp_.get()));
    if (fd < 0 || lseek(fd, 0, SEEK_SET) != 0) {
      int err = errno;
      if (fd >= 0) close(fd);
      errexit__("Cannot read the input file %s: %s\n", filename, std::strerror(err));
    }
    gz_.reset(gzdopen(fd, "rb"));
    if (gz_ == nullptr) {
      close(fd);
      errexit__("Cannot read the input file %s: out of memory for its decompression\n", filename);
    }
    gzbuffer(static_cast<gzFile>(gz_.get()), 256 * 1024);
    n = 0;
    eof_ = false;
  }
  end_ = block_ + n;
  *end_ = '\0';
}

// Up to n bytes, fewer only at the end of the input; a read error or a
// damaged compressed stream ends the run (nothing is ever taken for the end
// of a file that was not read to its end).
size_t TextInput::ReadBlock(char *into, size_t n) {
  size_t got = 0;
  while (got < n && !eof_) {
    if (gz_ == nullptr) {
      size_t r = std::fread(into + got, 1, n - got, fp_.get());
      got += r;
      if (r == 0) {
        if (std::ferror(fp_.get())) errexit__("Cannot read the input file %s: %s\n", name_, std::strerror(errno));
        eof_ = true;
      }
      continue;
    }
    gzFile gz = static_cast<gzFile>(gz_.get());
    unsigned want = n - got > (1u << 30) ? (1u << 30) : static_cast<unsigned>(n - got);
    int r = gzread(gz, into + got, want);
    int errnum = Z_OK;
    const char *text = gzerror(gz, &errnum);
    if (r < 0 || (errnum != Z_OK && errnum != Z_BUF_ERROR)) {
      if (errnum == Z_ERRNO)
        errexit__("Cannot read the input file %s: %s\n", name_, std::strerror(errno));
      errexit__("The compressed input file %s is corrupt: %s\n", name_, text);
    }
    got += static_cast<size_t>(r);
    if (static_cast<unsigned>(r) < want) {
      // zlib stops short at the end of the file; Z_BUF_ERROR says that the
      // file ended in the middle of a compressed stream.
      if (errnum == Z_BUF_ERROR)
        errexit__("The compressed input file %s is truncated: it ends before its data does\n", name_);
      if (r == 0) eof_ = true;
    }
  }
  return got;
}

bool TextInput::Refill() {
  size_t rest = static_cast<size_t>(end_ - pos_);
  if (eof_) return false;
  std::memmove(block_, pos_, rest);
  pos_ = block_;
  size_t got = ReadBlock(block_ + rest, kBlockSize - rest);
  end_ = block_ + rest + got;
  *end_ = '\0';
  return got > 0;
}

bool TextInput::NextLine() {
  if (inline_) {
    for (;;) {
      const void *nl = std::memchr(pos_, '\n', static_cast<size_t>(end_ - pos_));
      if (nl != nullptr) {
        pos_ = static_cast<char *>(const_cast<void *>(nl)) + 1;
        break;
      }
      pos_ = end_;
      if (!Refill()) break;
    }
  }
  inline_ = false;
  if (pos_ == end_ && !Refill()) return false;
  inline_ = true;
  first_ = *pos_;
  ++line_;
  return true;
}

bool TextInput::MoreOnLine() {
  SkipBlanks();
  return pos_ != end_ && *pos_ != '\n';
}

std::string TextInput::Word() {
  std::string word;
  SkipBlanks();
  for (;;) {
    while (pos_ != end_ && *pos_ != '\n' && !std::isspace(static_cast<unsigned char>(*pos_))) {
      if (word.size() < 256) word += *pos_;
      ++pos_;
    }
    if (pos_ != end_ || !Refill()) return word;
  }
}

bool TextInput::SkipSpace() {
  for (;;) {
    while (pos_ != end_ && std::isspace(static_cast<unsigned char>(*pos_))) {
      if (*pos_ == '\n') ++line_;
      ++pos_;
    }
    if (pos_ != end_) return true;
    if (!Refill()) return false;
  }
}

std::string_view TextInput::Ahead(size_t n) {
  if (n > kMargin) n = kMargin;
  while (static_cast<size_t>(end_ - pos_) < n && Refill()) {
  }
  size_t have = static_cast<size_t>(end_ - pos_);
  return std::string_view(pos_, have < n ? have : n);
}

// A number of ten digits or more, as strtol reads it: its value is built
// digit by digit, across reads when it runs past the block (leading zeros are
// allowed, as strtol allows them), and only its first 40 characters are kept
// for the message.
TextInput::Scan TextInput::ScanLongNumber(int &value) {
  toolarge_.clear();
  auto take = [&]() {
    if (toolarge_.size() < 40) toolarge_ += *pos_;
    ++pos_;
    if (pos_ == end_) Refill();
  };
  bool negative = *pos_ == '-';
  if (*pos_ == '+' || *pos_ == '-') take();
  long long magnitude = 0;
  while (std::isdigit(static_cast<unsigned char>(*pos_))) {
    if (magnitude <= INT_MAX) magnitude = magnitude * 10 + (*pos_ - '0');
    take();
  }
  long long v = negative ? -magnitude : magnitude;
  if (v < INT_MIN || v > INT_MAX) return Scan::kTooLarge;
  value = static_cast<int>(v);
  return Scan::kInt;
}
