// Russian is the interface's own language; a message's Russian and English
// stand in one row of kMessages (the window's captions are the window's own
// table). The core speaks in message ids; the front ends and the session turn them into
// text in the language the user chose.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace corvel {

enum class Language { rus, eng };


// Every message the program shows; its texts are a row of kMessages.
enum class MessageId : std::uint8_t {
  None,  // no fixed text: the message is its own words
  PutFileNameHere,
  FileOpenError,
  SourceOpenError,
  FileOpened,
  Interrupted,
  SearchFinished,
  FileSaved,
  FileSaveError,
  OperationComplete,
  ExploreStream,
  GridOffset,
  GridDeclaredSize,
  GridActualSize,
  GridDelta,
  GridMaxRepeat,
  StopQuestion,
  Stop,
  ContinueQuestion,
  Continue,
  NewStart,
  ScanInProgress,
  StreamNotFound,
  UnexpectedEnd,
  PacketFailed,
  SendTimeBack,
  AudioTimeBack,
  VideoTimeBack,
  EndOfFile,
  AmountOf,
  IndexImpossible,
  CreatingIndex,
  OverwriteQuestion,
  ScanFirst,
  Saving,
  SavingHeader,
  SavingStream,
  NothingToJoin,
  WhereToPut,
  InProgress,
  HeaderSizeNotFound,
  DataObjectNotFound,
  PrerollNotFound,
  FilePropertiesNotFound,
  PacketSizesDiffer,
  PlayDurationNotFound,
  StructureError,
  SendTimeRecalculation,
  RightClickMenu,
  NoSignature,
  ReadingHeader,
  NextObjectMissing,
  OddFilePropertiesSize,
  ReadingIndex,
  LargeBlockQuestion,
  OpenFileFirst,
  CreateOutputError,
  FramesSaved,
  ReconstructingHeader,
  NotBuiltYet,
  NoDataPackets,
  NoStreamToWrite,
  AviTooLarge,
  OutputIsSource,
  SourceReadError,
  InvalidPacketSize,
  ObjectBelow24,
  ObjectPastEnd,
  ObjectTooLarge,
  PacketPrefix,
  SavingIndex,
  OutputExists,
  NotAnErrorList,
  PacketSizeInferred,
  ObjectPastHeader,
  WalkResumed,
  WalkResumedAt,
  IncompleteLeftOut,
  PayloadsRescued,
  StreamsLeftOut,
  ObjectsWritten,
  Of,
  PacketsWritten,
  InErrorBlocksLeftOut,
  SendTimeJump,
  StreamsDiffer,
  EmptiedLeftOut,
  DataEndsInPacket,
  DamagedSkipped,
  FileChanged,
  CutBytes,
  AtOffset,
  BlocksLeft,
  Verifying,
  ObjectsVerified,
  DamagedFound,
  NotVerified,
  DecodingNotBuilt,
  DamagedLeftOut,
  EncryptedNotVerified,
  LibraryNotLoaded,
  NothingToWrite,
  NothingVerified,
  ReadErrorAt,
  UnreadableBytes,
  DataBeyondHeader,
  PacketSizeDisagrees,
  ObjectSizeFromNext,
  StreamTypeFromFormat,
  ExtensionCut,
  ListNotThisFile,
  UnreadableBlock,
  CutAt,
  CutConfirmedByDecoding,
  CutNotConfirmed,
  CutNotJudged,
  FrameOfStream,
  FrameAtTime,
  DamagedFramesRemain,
  WrittenChecked,
  WrittenAgain,
  SendTimesAgain,
  SendTimesNeedAll,
  ReferenceUnusable,
  ReferencePacketSize,
  ReferenceStreams,
  ReferenceHas,
  ReferenceObjectSizesHas,
  ReferenceCodecDecodesNone,
  ListAnd,
  ReferenceTaken,
  ReferenceObjects,
  OutputDecoded,
  BeforeKeyFrameLeftOut,
  LeftDamagedByCut,
  FileEmpty,
  NoOutputName,
  ErrorListSaved,
  DumpWritten,
  JobAlreadyFinished,
  PacketsFound,
  KeyframePackets,
  ErrorBlocksFound,
  IndexEntries,
  TimeLeft,
  FolderNotMade,
  FramesLookedAt,
  FilesWritten,
  TimelineErrors,
  TimelineDamaged,
  FirstAndAfter,
  SecondsInTree,
  PartBytes,
  PartSeconds,
  CutsPending,
  EqualSizesNeedNoFix,
  TimelineTitle,
  TimelinePackets,
  JoinWarning,
  AllFilesFilter,
  AboutSummary,
  Licence,
  Yes,
  No,
  DeleteRecordQuestion,
  QuitQuestion,
  Count
};

struct MessageRow {
  MessageId id;
  std::string_view rus;
  std::string_view eng;
};
extern const std::array<MessageRow, 166> kMessages;

// A message as the core reports it: the id's text between words of its own
// (numbers, names, paths) that need no translation.
struct Message {
  MessageId id = MessageId::None;
  std::string before;
  std::string after;
  MessageId tail = MessageId::None;  // a second fixed text after all the rest
  std::string end;                   // words after the second fixed text
  // Further fixed texts, each followed by words of its own.
  std::vector<std::pair<MessageId, std::string>> more;

  Message() = default;
  Message(MessageId i, std::string a = {}) : id(i), after(std::move(a)) {}
  Message(std::string b, MessageId i, std::string a = {}) : id(i), before(std::move(b)), after(std::move(a)) {}
  // A message with no fixed text.
  static Message Plain(std::string text) { return Message(std::move(text), MessageId::None); }
  bool empty() const { return id == MessageId::None && before.empty() && after.empty(); }
  bool operator==(const Message&) const = default;
};


// The Russian text of an id; TextOf is it in the given language.
std::string_view RussianText(MessageId id);
std::string TextOf(MessageId id, Language lang);
std::string Render(const Message& m, Language lang);

// Parses "en"/"eng"/"ru"/"rus"; false for anything else.
bool ParseLanguage(std::string_view s, Language& out);

}  // namespace corvel
