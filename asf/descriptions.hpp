// How a header record is described: once, as a list of its fields in file
// order, each with its kind, its member, the name the tree shows and what
// the kind needs besides (a length or count field, how it shows). The
// list declares the record's members and is the one sequence that the
// reader, the size computation, the writer and the tree presenter walk
// (asf/field_visitors.hpp). The records themselves: asf/records.hpp.
//
// A field line is F(kind, type, member, "Name", arguments...) and becomes
// the visitor call v.kind("Name", r.member, arguments...). The kinds:
//   num(name, x, show)                 a byte, word, dword or qword (by x's type)
//   guid(name, x, show)                a GUID
//   bytes(name, x, length, show)       bytes whose count `length` holds
//   text(name, x, length, rule)        UTF-16 text whose length field `length` holds
//   list(name, items, count, minBytes, caption, show)
//                                      `count` records of at least minBytes each
//   numbers(name, items, count)        a counted run of words, shown on one line
//   group(name, record)                a nested record under a node of its own
//   typeSpecific(name, x, length, type)  a stream's format bytes, shown by its type
//   value(name, x, type, length)       an Extended Content Description value
//   note(name, x)                      a line the tree shows (the name), no bytes
// An object's record starts with its GUID and size: v.head(id, size).
#pragma once

#include <concepts>
#include <cstdint>
#include <string>
#include <type_traits>

#include "asf/bytes.hpp"
#include "asf/guid.hpp"

namespace corvel {

// How a number or byte run shows in the tree.
enum class Show {
  dec,
  hex,         // "0000000B (hex)"
  date,        // "N (dd.mm.yyyy hh:mm:ss)"
  seconds,     // "N (12.3 сек)"
  fourcc,      // four characters
  codecTag,    // "0161h  [Windows Media Audio ...]"
  codecType,   // "1 (video)"
  streamType,  // a GUID with its stream type's name
  bytes,       // hex pairs, or "/bytes/" beyond 24 bytes
  hexAll,      // every byte in hex
  chars,       // the bytes as characters
  codecInfo,   // as bytes, then the first four as characters
};

// How a list shows: each record under a node of its own, or under an
// "= /array/" line (the Simple Index's entries, shown only when asked).
enum class ListShow { nodes, array };

// How a text's length field counts it.
enum class TextLength {
  bytes,        // in bytes, the terminating zero unit included
  units,        // in UTF-16 units, the terminator included
  unitsOrNone,  // as units; an empty text has length 0 and no bytes
};

// What every object's record starts with. `present`: the file holds the
// object (and its bytes were read into the record).
struct ObjectHead {
  bool present = false;
  Guid objectId;
  std::int64_t objectSize = 0;
};

// The member of a note: nothing.
struct Note {};

template <typename R, typename T>
concept Is = std::same_as<std::remove_const_t<R>, T>;

}  // namespace corvel

#define CORVEL_MEMBER(kind, type, member, ...) type member{};
#define CORVEL_VISIT(kind, type, member, name, ...) v.kind(name, r.member __VA_OPT__(, ) __VA_ARGS__);

// A record (Record) or an object (Object: its GUID and size first) of the
// fields FIELDS lists, and its walk over them; `...`: further members.
#define CORVEL_RECORD(Type, FIELDS, ...)      \
  struct Type {                               \
    FIELDS(CORVEL_MEMBER) __VA_ARGS__         \
  };                                          \
  template <typename V, ::corvel::Is<Type> R> \
  void Describe(V& v, R& r) {                 \
    FIELDS(CORVEL_VISIT)                      \
  }
#define CORVEL_OBJECT(Type, FIELDS, ...)      \
  struct Type : ::corvel::ObjectHead {        \
    FIELDS(CORVEL_MEMBER) __VA_ARGS__         \
  };                                          \
  template <typename V, ::corvel::Is<Type> R> \
  void Describe(V& v, R& r) {                 \
    v.head(r.objectId, r.objectSize);         \
    FIELDS(CORVEL_VISIT)                      \
  }
