// The four walks over an object's description (asf/descriptions.hpp): read
// it from bytes, size it (the length and count fields from the contents),
// write it, and show it in the structure tree.
#pragma once

#include <concepts>
#include <string>
#include <string_view>
#include <vector>

#include "asf/bytes.hpp"
#include "asf/records.hpp"
#include "asf/tree.hpp"

namespace corvel {

// What the reader, the size computation and the writer share: a nested
// record is walked in place, a note has no bytes, and a stream's format is
// bytes like any other.
template <typename Self>
class FieldWalk {
 public:
  template <typename R>
  void group(std::string_view, R& r) {
    Describe(static_cast<Self&>(*this), r);
  }
  void note(std::string_view, const Note&) {}
  template <typename X, typename N>
  void typeSpecific(std::string_view name, X& x, N&& length, const Guid&) {
    static_cast<Self&>(*this).bytes(name, x, length);
  }
};

// Reads fields in sequence from an object's bytes. Every field, count and
// byte run is bounded by the bytes given: what lies past them reads as zero
// or is left out; a list stops at the first record that cannot fit.
class FieldReader : public FieldWalk<FieldReader> {
 public:
  explicit FieldReader(ByteView b, std::uint64_t at = 0) : b_(b), at_(at) {}
  std::uint64_t at() const { return at_; }

  void head(Guid& id, std::int64_t& size) {
    guid("ObjectID", id);
    num("ObjectSize", size);
  }
  // A number cut by the end of the bytes reads as zero.
  template <std::integral T>
  void num(std::string_view, T& x, Show = Show::dec) {
    std::uint64_t v = 0;
    if (at_ + sizeof(T) <= b_.size())
      for (std::size_t i = 0; i < sizeof(T); ++i) v |= std::uint64_t{b_[at_ + i]} << (8 * i);
    x = static_cast<T>(v);
    at_ += sizeof(T);
  }
  void guid(std::string_view, Guid& x, Show = Show::dec) {
    x = Guid::read(b_, at_);
    at_ += 16;
  }
  template <std::integral N>
  void bytes(std::string_view, Bytes& x, N length, Show = Show::bytes) {
    x = CopyOut(b_, at_, length);
    at_ += length;
  }
  template <std::integral N>
  void text(std::string_view, std::u16string& x, N length, TextLength rule) {
    const std::uint64_t units = rule == TextLength::bytes ? length / 2 : length;
    x = WideToStr(b_, at_, units);
    at_ += rule == TextLength::bytes ? std::uint64_t{length} : 2 * std::uint64_t{length};
  }
  void value(std::string_view, DescriptorValue& x, std::uint16_t type, std::uint16_t length) {
    if (type == 0) x.text = WideToStr(b_, at_, length / 2);
    x.bytes = CopyOut(b_, at_, length);
    at_ += length;
  }
  template <typename E, std::integral N, typename Caption>
  void list(std::string_view, std::vector<E>& items, N count, std::uint64_t minBytes, Caption, ListShow = ListShow::nodes) {
    items.clear();
    for (N i = 0; i < count && at_ + minBytes <= b_.size(); ++i) Describe(*this, items.emplace_back());
  }
  template <std::integral N>
  void numbers(std::string_view name, std::vector<std::uint16_t>& items, N count) {
    items.clear();
    for (N i = 0; i < count && at_ + 2 <= b_.size(); ++i) num(name, items.emplace_back());
  }

 private:
  ByteView b_;
  std::uint64_t at_;
};

// Sets every length and count field from what it counts, and the object's
// size from the total.
class FieldSizer : public FieldWalk<FieldSizer> {
 public:
  std::int64_t total() const { return total_; }

  void head(Guid&, std::int64_t& size) {
    total_ += 24;
    size_ = &size;
  }
  template <std::integral T>
  void num(std::string_view, T&, Show = Show::dec) {
    total_ += sizeof(T);
  }
  void guid(std::string_view, Guid&, Show = Show::dec) { total_ += 16; }
  // `length` may be a value the record computes (a temporary).
  template <typename N>
  void bytes(std::string_view, Bytes& x, N&& length, Show = Show::bytes) {
    length = static_cast<std::remove_cvref_t<N>>(x.size());
    total_ += static_cast<std::int64_t>(x.size());
  }
  template <std::integral N>
  void text(std::string_view, std::u16string& x, N& length, TextLength rule) {
    const std::uint64_t units = rule == TextLength::unitsOrNone && x.empty() ? 0 : x.size() + 1;
    length = static_cast<N>(rule == TextLength::bytes ? 2 * units : units);
    total_ += static_cast<std::int64_t>(2 * units);
  }
  void value(std::string_view, DescriptorValue& x, std::uint16_t type, std::uint16_t& length) {
    length = static_cast<std::uint16_t>(type == 0 ? 2 * x.text.size() + 2 : x.bytes.size());
    total_ += length;
  }
  template <typename E, std::integral N, typename Caption>
  void list(std::string_view, std::vector<E>& items, N& count, std::uint64_t, Caption, ListShow = ListShow::nodes) {
    count = static_cast<N>(items.size());
    for (E& e : items) Describe(*this, e);
  }
  template <std::integral N>
  void numbers(std::string_view, std::vector<std::uint16_t>& items, N& count) {
    count = static_cast<N>(items.size());
    total_ += 2 * static_cast<std::int64_t>(items.size());
  }
  // The object's size, once every field was visited.
  void finish() {
    if (size_) *size_ = total_;
  }

 private:
  std::int64_t total_ = 0;
  std::int64_t* size_ = nullptr;
};

// Appends the fields in the order and widths the object stores them; the object's GUID is the
// catalogue's, whatever the record holds.
class FieldWriter : public FieldWalk<FieldWriter> {
 public:
  FieldWriter(Bytes& out, const Guid& id) : o_(out), id_(id) {}

  void head(const Guid&, std::int64_t size) { o_.guid(id_).u64(static_cast<std::uint64_t>(size)); }
  template <std::integral T>
  void num(std::string_view, T x, Show = Show::dec) {
    for (std::size_t i = 0; i < sizeof(T); ++i) o_.u8(static_cast<std::uint8_t>(static_cast<std::uint64_t>(x) >> (8 * i)));
  }
  void guid(std::string_view, const Guid& x, Show = Show::dec) { o_.guid(x); }
  template <std::integral N>
  void bytes(std::string_view, const Bytes& x, N, Show = Show::bytes) {
    o_.bytes(x);
  }
  template <std::integral N>
  void text(std::string_view, const std::u16string& x, N length, TextLength) {
    if (length) o_.wide(x);
  }
  void value(std::string_view, const DescriptorValue& x, std::uint16_t type, std::uint16_t) {
    if (type == 0)
      o_.wide(x.text);
    else
      o_.bytes(x.bytes);
  }
  template <typename E, std::integral N, typename Caption>
  void list(std::string_view, const std::vector<E>& items, N, std::uint64_t, Caption, ListShow = ListShow::nodes) {
    for (const E& e : items) Describe(*this, e);
  }
  template <std::integral N>
  void numbers(std::string_view, const std::vector<std::uint16_t>& items, N) {
    for (std::uint16_t x : items) o_.u16(x);
  }

 private:
  ByteWriter o_;
  Guid id_;
};

// Shows each field as a "Name = value" line under the object's node.
class FieldPresenter {
 public:
  // `onTop`: the lines go before the node's children (the Header Object's
  // fields above the objects it holds). `entries`: a Simple Index shows its
  // entries.
  FieldPresenter(StructureTree& t, int node, bool onTop = false, bool entries = false)
      : t_(t), node_(node), onTop_(onTop), entries_(entries) {}

  void head(const Guid& id, std::int64_t size);
  template <std::integral T>
  void num(std::string_view name, T x, Show show = Show::dec) {
    line(name, number(static_cast<std::int64_t>(x), show));
  }
  void guid(std::string_view name, const Guid& x, Show show = Show::dec);
  template <std::integral N>
  void bytes(std::string_view name, const Bytes& x, N, Show show = Show::bytes) {
    line(name, byteText(x, show));
  }
  template <std::integral N>
  void typeSpecific(std::string_view name, const Bytes& x, N, const Guid& streamType) {
    format(name, x, streamType);
  }
  template <std::integral N>
  void text(std::string_view name, const std::u16string& x, N, TextLength) {
    line(name, Utf16ToUtf8(x));
  }
  void value(std::string_view name, const DescriptorValue& x, std::uint16_t type, std::uint16_t) {
    line(name, type == 0 ? Utf16ToUtf8(x.text) : byteText(x.bytes, Show::bytes));
  }
  template <typename E, std::integral N, typename Caption>
  void list(std::string_view name, const std::vector<E>& items, N, std::uint64_t, Caption caption, ListShow show = ListShow::nodes) {
    int parent = node_;
    if (show == ListShow::array) {
      parent = add(std::string(name) + " = /array/");
      if (!entries_) return;
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
      FieldPresenter child(t_, t_.add(parent, caption(items[i], i)));
      Describe(child, items[i]);
    }
  }
  template <std::integral N>
  void numbers(std::string_view name, const std::vector<std::uint16_t>& items, N) {
    std::string all;
    for (std::size_t i = 0; i < items.size(); ++i) all += (i ? "," : "") + std::to_string(items[i]);
    line(name, all);
  }
  template <typename R>
  void group(std::string_view name, const R& r) {
    FieldPresenter child(t_, add(std::string(name)));
    Describe(child, r);
  }
  void note(std::string_view text, const Note&) { add(std::string(text)); }

 private:
  int add(const std::string& text) { return onTop_ ? t_.insert(node_, placed_++, text) : t_.add(node_, text); }
  void line(std::string_view name, const std::string& value) { add(std::string(name) + " = " + value); }
  static std::string number(std::int64_t v, Show show);
  static std::string byteText(const Bytes& x, Show show);
  // A stream's type-specific data: the video or audio format under a node
  // of its own, other types as bytes.
  void format(std::string_view name, const Bytes& x, const Guid& streamType);

  StructureTree& t_;
  int node_;
  bool onTop_;
  bool entries_;
  bool unread_ = false;  // the record's bytes were never read
  std::size_t placed_ = 0;
};

// The walks for one record.
template <typename R>
void ReadFields(ByteView b, R& r) {
  FieldReader v(b);
  Describe(v, r);
}
template <typename R>
R ReadFields(ByteView b) {
  R r;
  ReadFields(b, r);
  return r;
}
template <typename R>
void SizeFields(R& r) {
  FieldSizer v;
  Describe(v, r);
  v.finish();
}
// The size of an object of fixed-size fields, its head included, from its
// description: the Header Object's own 30 bytes, the Data Object's 50.
template <typename R>
std::int64_t FixedSize() {
  static const std::int64_t size = [] {
    R r;
    FieldSizer v;
    Describe(v, r);
    return v.total();
  }();
  return size;
}
template <typename R>
void WriteFields(const R& r, const Guid& id, Bytes& out) {
  FieldWriter v(out, id);
  Describe(v, r);
}
template <typename R>
void ShowFields(StructureTree& t, int node, const R& r, bool onTop = false, bool entries = false) {
  if (node < 0) return;
  FieldPresenter v(t, node, onTop, entries);
  Describe(v, r);
}

}  // namespace corvel
