// The packed rows of copies and of rows read ahead: each value kept as its
// parts (kind, then its number or its bytes) in one buffer, made into a
// value only when its row is read.
#include <cstring>

#include "platform/jet/recordset_impl.h"

namespace jet {

namespace {

// What follows a value's kind in the packed rows.
enum class Payload { kNone, kInteger, kReal, kBytes };

Payload PayloadOf(detail::ColumnParts::Kind kind) {
  switch (kind) {
    case detail::ColumnParts::kNull:
      return Payload::kNone;
    case detail::ColumnParts::kBoolean:
    case detail::ColumnParts::kInteger:
    case detail::ColumnParts::kInt64:
      return Payload::kInteger;
    case detail::ColumnParts::kDouble:
    case detail::ColumnParts::kCurrency:
    case detail::ColumnParts::kDate:
      return Payload::kReal;
    case detail::ColumnParts::kText:
    case detail::ColumnParts::kBytes:
      break;
  }
  return Payload::kBytes;
}

template <class T>
void Put(std::string &out, const T &value) {
  out.append(reinterpret_cast<const char *>(&value), sizeof value);
}

}  // namespace

void PackedRows::Add(const detail::Stmt &st, int offset, const std::vector<FieldInfo> &infos) {
  starts_.push_back(data_.size());
  for (size_t i = 0; i < infos.size(); ++i) {
    const detail::ColumnParts p = st.Parts(static_cast<int>(i) + offset, infos[i].type);
    data_.push_back(static_cast<char>(p.kind));
    switch (PayloadOf(p.kind)) {
      case Payload::kNone:
        break;
      case Payload::kInteger:
        Put(data_, p.integer);
        break;
      case Payload::kReal:
        Put(data_, p.real);
        break;
      case Payload::kBytes:
        Put(data_, static_cast<std::uint32_t>(p.size));
        if (p.size > 0) data_.append(p.data, static_cast<size_t>(p.size));
        break;
    }
  }
}

detail::ColumnParts PackedRows::Next(size_t &at) const {
  // The value at `at`, and `at` moved past it.
  auto take = [&](auto &value) {
    std::memcpy(&value, data_.data() + at, sizeof value);
    at += sizeof value;
  };
  detail::ColumnParts p;
  p.kind = static_cast<detail::ColumnParts::Kind>(data_[at++]);
  switch (PayloadOf(p.kind)) {
    case Payload::kNone:
      break;
    case Payload::kInteger:
      take(p.integer);
      break;
    case Payload::kReal:
      take(p.real);
      break;
    case Payload::kBytes: {
      std::uint32_t size = 0;
      take(size);
      p.data = data_.data() + at;
      p.size = static_cast<int>(size);
      at += size;
      break;
    }
  }
  return p;
}

void PackedRows::Read(size_t index, size_t count, std::vector<rtl::Variant> &out) const {
  out.resize(count);
  size_t at = starts_[index];
  for (size_t i = 0; i < count; ++i) out[i] = Next(at).ToVariant();
}

detail::ColumnParts::Kind PackedRows::FirstKind(size_t column, size_t count) const {
  for (const size_t start : starts_) {
    size_t at = start;
    detail::ColumnParts p;
    for (size_t i = 0; i <= column && i < count; ++i) p = Next(at);
    if (p.kind != detail::ColumnParts::kNull) return p.kind;
  }
  return detail::ColumnParts::kNull;
}

}  // namespace jet
