#include "typed_record.h"

namespace {

class Locked {
 public:
  explicit Locked(SRWLOCK& lock, bool exclusive = true) : lock_(lock), exclusive_(exclusive) {
    exclusive ? AcquireSRWLockExclusive(&lock_) : AcquireSRWLockShared(&lock_);
  }
  ~Locked() { exclusive_ ? ReleaseSRWLockExclusive(&lock_) : ReleaseSRWLockShared(&lock_); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;

 private:
  SRWLOCK& lock_;
  bool exclusive_;
};

bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

void TypedRecord::Reset(HWND field) {
  Locked locked(lock_);
  field_ = field;
  text_.clear();
  ++changes_;
}

void TypedRecord::Append(HWND field, std::u16string_view text) {
  Locked locked(lock_);
  if (field != field_) {
    field_ = field;
    text_.clear();
  }
  text_ += text;
  if (text_.size() > kMost) text_.erase(0, text_.size() - kMost / 2);
  ++changes_;
}

void TypedRecord::TakeBack(HWND field) {
  Locked locked(lock_);
  if (field != field_ || text_.empty()) {
    field_ = field;
    text_.clear();
  } else {
    const bool pair = text_.size() >= 2 && IsLowSurrogate(text_.back());
    text_.resize(text_.size() - (pair ? 2 : 1));
  }
  ++changes_;
}

bool TypedRecord::Replace(unsigned long expected, std::size_t length, std::u16string_view with) {
  Locked locked(lock_);
  if (changes_ != expected || length > text_.size()) return false;
  text_.replace(text_.size() - length, length, with);
  ++changes_;
  return true;
}

TypedRecord::Snapshot TypedRecord::Read() const {
  Locked locked(lock_, false);
  return {field_, text_, changes_};
}
