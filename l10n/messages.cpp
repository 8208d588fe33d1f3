#include "l10n/messages.hpp"

#include <algorithm>

namespace corvel {


const std::array<MessageRow, 61> kMessageTable{{
    {"сюда надо положить имя файла", "put filename here"},
    {"ошибка открытия файла", "file open error"},
    {"ошибка открытия исходного файла", "source file open error"},
    {"файл открыт, заголовок найден", "file opened, header found"},
    {"прервано пользователем", "interrupted by user"},
    {"поиск завершен", "search finished"},
    {"файл сохранён", "file saved"},
    {"ошибка сохранения файла", "file save error"},
    {"операция завершена", "operation complete"},
    {"проверка потока", "explore the stream"},
    {"offset в файле", "offset in file"},
    {"размер заявленный", "declared size"},
    {"размер реальный", "actual size"},
    {"дельта", "delta"},
    {"max повтор", "max repeat"},
    {"остановить процесс?", "stop the current process?"},
    {"стоп", "stop"},
    {"продолжить проверку\r\nили начать сначала?", "continue checking\r\nor start from the beginning?"},
    {"продолжить", "continue"},
    {"сначала", "new start"},
    {"идёт проверка потока", "stream analysis in progress"},
    {"ошибка открытия файла", "file open error"},
    {"• не найден поток", "• stream not found"},
    {"• неожиданный конец файла", "• unexpected end of file"},
    {"• упала nn=", "• bsod nn="},
    {". SendTime < значения в предыдущем пакете", ". SendTime < prev.packet value"},
    {". Presentation Time звука уменьшается", ". Presentation Time of sound stream is going down"},
    {". Presentation Time видео уменьшается", ". Presentation Time of video stream is going down"},
    {"конец файла", "end of file"},
    {"к-во", "amount of"},
    {". индекс не может быть создан", ". unable to create index"},
    {"создаю индекс", "index creating..."},
    {"файл с таким именем уже существует. перезаписать?", "file already exists. overwrite?"},
    {"• проведите проверку потока", "• check the stream first"},
    {"идёт сохранение", "saving..."},
    {"сохраняю заголовок", "saving the header"},
    {"сохраняю поток", "saving the stream"},
    {"нечего клеить. добавьте файлы в список", "nothing to join. add files to list"},
    {"куда складывать?", "where to put?"},
    {"идёт работа", "in progress"},
    {"ошибка чтения Header Object Size в файле ", "Header Object Size not found in file "},
    {"ошибка чтения ASFDAO в файле ", "ASFDAO not found in file "},
    {"ошибка чтения Preroll в файле ", "Preroll not found in file "},
    {"не найден FPO в файле ", "FPO not found in file "},
    {"у файлов разные Data Packet Size", "Data Packet Size values in files are different"},
    {"ошибка чтения Play Duration в файле ", "Play Duration not found in file "},
    {"ошибка в структуре файла ", "file structure error "},
    {"пересчёт SendTime", "SendTime recalculation"},
    {"правая кнопка мыши в левом окне - вызов меню", "click right mouse button\r\non the left window to call the menu"},
    {"• отсутствует сигнатура файла", "• file signature not found"},
    {"читаю заголовок", "reading the header"},
    {"• ожидался ID следующего блока и не нашёлся. вероятно нарушение в структуре файла",
     "• next block ID expected but not found. probably errors in the file structure"},
    {"• не стандартный размер блока ASF_File_Properties_Object", "• unknown size of ASF_File_Properties_Object"},
    {"читаю индекс", "index reading"},
    {"а может не надо?\r\nразмер блока больше 100кБ.\r\nпродолжить?", "or maybe not?\r\nblock size more than 100kB.\r\ncontinue?"},
    {"файл надо открыть", "open file first"},
    {"ошибка создания выходного файла", "unable to create destination file"},
    {"сохранено кадров: ", "saved frames: "},
    {"• реконструкция заголовка", "• reconstructing header"},
    {"• отключено", "• still under construction"},
    {"", ""},
}};

const std::array<MessageRow, 62> kExtraMessages{{
    {"• в файлах нет пакетов данных", "• no data packets in the files"},
    {"• нет потока для записи", "• no stream to write"},
    {"• AVI больше 4 ГБ не поддерживается: ", "• an AVI over 4 GiB is not supported: "},
    {"• выходной файл совпадает с исходным: ", "• the output file is the source file: "},
    {"ошибка чтения исходного файла", "source file read error"},
    {"• неверный размер пакета: ", "• invalid data packet size: "},
    {"• размер блока меньше 24 байт, разбор заголовка остановлен: ",
     "• block size below 24 bytes, header walk stopped: "},
    {"• блок выходит за конец файла: ", "• block runs past the end of the file: "},
    {"• блок слишком велик для разбора: ", "• block too large to parse: "},
    {"пакет nn=", "packet nn="},
    {"сохраняю индекс", "saving the index"},
    {"существует; --force перезапишет", "exists; --force overwrites it"},
    {"не список ошибок (файла нет, или в нём не целое число записей по 26 байт)",
     "not an error list (missing, or not a whole number of 26-byte records)"},
    {"• размер пакета определён по данным: ", "• packet size inferred from the data: "},
    {"• блок выходит за конец заголовка: ", "• block runs past the end of the header: "},
    {"• разбор продолжен с конца заголовка: ", "• walk goes on at the end of the header: "},
    {"• разбор продолжен с блока, найденного по адресу: ", "• walk goes on at the object found at: "},
    {"\nпропущено неполных медиаобъектов (видео, звук): ", "\nincomplete media objects left out (video, audio): "},
    {"• спасено нагрузок из повреждённых пакетов: ", "• payloads rescued from damaged packets: "},
    {"\nпропущены потоки, которых AVI не несёт: ", "\nstreams an AVI cannot carry, left out: "},
    {"\nзаписано медиаобъектов: ", "\nmedia objects written: "},
    {" из ", " of "},
    {"\nзаписано пакетов: ", "\npackets written: "},
    {"; пропущено в блоках ошибок: ", "; left out in error blocks: "},
    {". скачок SendTime (мс): ", ". send time jumps (ms): "},
    {"у файлов разные потоки: ", "the files' streams differ: "},
    {"; пропущено без целых медиаобъектов: ", "; left out with no whole media object: "},
    {"\nданные обрываются внутри пакета, пропущено байт: ", "\nthe data ends inside a packet, bytes left out: "},
    {"\nпропущено повреждённых данных, байт: ", "\ndamaged data passed over, bytes: "},
    {"файл на диске изменился после открытия: откройте его заново", "the file changed on disk since it was opened: open it again"},
    {"• вырезано байт: ", "• bytes cut: "},
    {" по адресу ", " at "},
    {"• блоков оставлено как было (ремонт не нашёл, что вырезать): ", "• blocks left as they were (the repair found nothing to cut): "},    {"проверка декодированием", "verifying by decoding"},
    {"проверено декодированием медиаобъектов: ", "media objects verified by decoding: "},
    {"; повреждённых: ", "; damaged: "},
    {"; не проверено (декодер не знает кодека или того, что в нём использовано): ", "; not verified (no decoder for the codec, or for what it uses): "},
    {"• эта сборка не проверяет декодированием (собрана без libavcodec)", "• this build does not verify by decoding (built without libavcodec)"},
    {"\nпропущено повреждённых кадров и кадров до следующего ключевого (видео, звук): ", "\ndamaged frames and frames up to the next key frame left out (video, audio): "},    {"• содержимое зашифровано (DRM): декодированием не проверяется", "• the content is encrypted (DRM): not verified by decoding"},    {"• библиотека декодирования не открывается: ", "• the decoding library cannot be opened: "},
    {"• не найдено медиаобъектов для записи", "• no media object found to write"},
    {"• ничего не проверено декодированием", "• nothing was verified by decoding"},
    {"• ошибка чтения по адресу ", "• read error at "},
    {"\nнечитаемых байт пропущено: ", "\nunreadable bytes passed over: "},
    {"• пакеты идут и за концом данных, объявленным в заголовке: проверка продолжена с адреса ", "• packets go on past the end of the data the header declares: scanned on from "},
    {"• пакеты не разбираются с размером из заголовка, разбираются с размером ", "• the packets do not parse at the header's packet size; they do at "},
    {"• размер блока взят до следующего найденного блока: ", "• an object's size taken up to the next object found: "},
    {"• тип потока не из известных, взят по формату данных: поток ", "• a stream type of no known kind, taken from its format data: stream "},
    {"• в Header Extension пропущен блок с неверным размером, байт: ", "• a Header Extension child with a broken size left out, bytes: "},
    {"• список ошибок не от этого файла: не сходится блок по адресу ", "• the error list is not this file's: it does not fit the block at "},
    {"ошибка чтения: нечитаемые байты", "read error: unreadable bytes"},
    {"• вырезка по адресу ", "• the cut at "},
    {" подтверждена декодированием; мест проверено: ", " confirmed by decoding; places tried: "},
    {" не подтверждена декодированием: повреждён кадр ", " not confirmed by decoding: damaged frame "},
    {" не проверена декодированием (нет декодера для потока)", " not checked by decoding (no decoder for the stream)"},
    {" потока ", " of stream "},
    {" в момент (мс) ", " at (ms) "},
    {"\nповреждённых кадров осталось (декодер их не принимает): ", "\ndamaged frames remain (the decoder rejects them): "},
    {"• записанный файл проверен декодированием; повреждённых кадров: ", "• the written file checked by decoding; damaged frames: "},
    {"• файл записывается заново без повреждённых кадров, найденных в записанном: ",
     "• written again without the damaged frames found in what was written: "},
    {"повреждён после вырезки (декодер его не принимает)", "damaged after the cut (the decoder rejects it)"},
}};

namespace {

struct IdRow {
  MessageId id;
  std::string_view rus;
};

// The Russian text of every message id; the English comes from the tables.
constexpr IdRow kIdRows[] = {
    {MessageId::None, ""},
    {MessageId::PutFileNameHere, "сюда надо положить имя файла"},
    {MessageId::FileOpenError, "ошибка открытия файла"},
    {MessageId::SourceOpenError, "ошибка открытия исходного файла"},
    {MessageId::FileOpened, "файл открыт, заголовок найден"},
    {MessageId::Interrupted, "прервано пользователем"},
    {MessageId::SearchFinished, "поиск завершен"},
    {MessageId::FileSaved, "файл сохранён"},
    {MessageId::FileSaveError, "ошибка сохранения файла"},
    {MessageId::OperationComplete, "операция завершена"},
    {MessageId::ExploreStream, "проверка потока"},
    {MessageId::GridOffset, "offset в файле"},
    {MessageId::GridDeclaredSize, "размер заявленный"},
    {MessageId::GridActualSize, "размер реальный"},
    {MessageId::GridDelta, "дельта"},
    {MessageId::GridMaxRepeat, "max повтор"},
    {MessageId::StopQuestion, "остановить процесс?"},
    {MessageId::Stop, "стоп"},
    {MessageId::ContinueQuestion, "продолжить проверку\r\nили начать сначала?"},
    {MessageId::Continue, "продолжить"},
    {MessageId::NewStart, "сначала"},
    {MessageId::ScanInProgress, "идёт проверка потока"},
    {MessageId::StreamNotFound, "• не найден поток"},
    {MessageId::UnexpectedEnd, "• неожиданный конец файла"},
    {MessageId::PacketFailed, "• упала nn="},
    {MessageId::SendTimeBack, ". SendTime < значения в предыдущем пакете"},
    {MessageId::AudioTimeBack, ". Presentation Time звука уменьшается"},
    {MessageId::VideoTimeBack, ". Presentation Time видео уменьшается"},
    {MessageId::EndOfFile, "конец файла"},
    {MessageId::AmountOf, "к-во"},
    {MessageId::IndexImpossible, ". индекс не может быть создан"},
    {MessageId::CreatingIndex, "создаю индекс"},
    {MessageId::OverwriteQuestion, "файл с таким именем уже существует. перезаписать?"},
    {MessageId::ScanFirst, "• проведите проверку потока"},
    {MessageId::Saving, "идёт сохранение"},
    {MessageId::SavingHeader, "сохраняю заголовок"},
    {MessageId::SavingStream, "сохраняю поток"},
    {MessageId::NothingToJoin, "нечего клеить. добавьте файлы в список"},
    {MessageId::WhereToPut, "куда складывать?"},
    {MessageId::InProgress, "идёт работа"},
    {MessageId::HeaderSizeNotFound, "ошибка чтения Header Object Size в файле "},
    {MessageId::DataObjectNotFound, "ошибка чтения ASFDAO в файле "},
    {MessageId::PrerollNotFound, "ошибка чтения Preroll в файле "},
    {MessageId::FilePropertiesNotFound, "не найден FPO в файле "},
    {MessageId::PacketSizesDiffer, "у файлов разные Data Packet Size"},
    {MessageId::PlayDurationNotFound, "ошибка чтения Play Duration в файле "},
    {MessageId::StructureError, "ошибка в структуре файла "},
    {MessageId::SendTimeRecalculation, "пересчёт SendTime"},
    {MessageId::RightClickMenu, "правая кнопка мыши в левом окне - вызов меню"},
    {MessageId::NoSignature, "• отсутствует сигнатура файла"},
    {MessageId::ReadingHeader, "читаю заголовок"},
    {MessageId::NextObjectMissing, "• ожидался ID следующего блока и не нашёлся. вероятно нарушение в структуре файла"},
    {MessageId::OddFilePropertiesSize, "• не стандартный размер блока ASF_File_Properties_Object"},
    {MessageId::ReadingIndex, "читаю индекс"},
    {MessageId::LargeBlockQuestion, "а может не надо?\r\nразмер блока больше 100кБ.\r\nпродолжить?"},
    {MessageId::OpenFileFirst, "файл надо открыть"},
    {MessageId::CreateOutputError, "ошибка создания выходного файла"},
    {MessageId::FramesSaved, "сохранено кадров: "},
    {MessageId::ReconstructingHeader, "• реконструкция заголовка"},
    {MessageId::NotBuiltYet, "• отключено"},
    {MessageId::NoDataPackets, "• в файлах нет пакетов данных"},
    {MessageId::NoStreamToWrite, "• нет потока для записи"},
    {MessageId::AviTooLarge, "• AVI больше 4 ГБ не поддерживается: "},
    {MessageId::OutputIsSource, "• выходной файл совпадает с исходным: "},
    {MessageId::SourceReadError, "ошибка чтения исходного файла"},
    {MessageId::InvalidPacketSize, "• неверный размер пакета: "},
    {MessageId::ObjectBelow24, "• размер блока меньше 24 байт, разбор заголовка остановлен: "},
    {MessageId::ObjectPastEnd, "• блок выходит за конец файла: "},
    {MessageId::ObjectTooLarge, "• блок слишком велик для разбора: "},
    {MessageId::PacketPrefix, "пакет nn="},
    {MessageId::SavingIndex, "сохраняю индекс"},
    {MessageId::OutputExists, "существует; --force перезапишет"},
    {MessageId::NotAnErrorList, "не список ошибок (файла нет, или в нём не целое число записей по 26 байт)"},
    {MessageId::PacketSizeInferred, "• размер пакета определён по данным: "},
    {MessageId::ObjectPastHeader, "• блок выходит за конец заголовка: "},
    {MessageId::WalkResumed, "• разбор продолжен с конца заголовка: "},
    {MessageId::WalkResumedAt, "• разбор продолжен с блока, найденного по адресу: "},
    {MessageId::IncompleteLeftOut, "\nпропущено неполных медиаобъектов (видео, звук): "},
    {MessageId::PayloadsRescued, "• спасено нагрузок из повреждённых пакетов: "},
    {MessageId::StreamsLeftOut, "\nпропущены потоки, которых AVI не несёт: "},
    {MessageId::ObjectsWritten, "\nзаписано медиаобъектов: "},
    {MessageId::Of, " из "},
    {MessageId::PacketsWritten, "\nзаписано пакетов: "},
    {MessageId::InErrorBlocksLeftOut, "; пропущено в блоках ошибок: "},
    {MessageId::SendTimeJump, ". скачок SendTime (мс): "},
    {MessageId::StreamsDiffer, "у файлов разные потоки: "},
    {MessageId::EmptiedLeftOut, "; пропущено без целых медиаобъектов: "},
    {MessageId::DataEndsInPacket, "\nданные обрываются внутри пакета, пропущено байт: "},
    {MessageId::DamagedSkipped, "\nпропущено повреждённых данных, байт: "},
    {MessageId::FileChanged, "файл на диске изменился после открытия: откройте его заново"},
    {MessageId::CutBytes, "• вырезано байт: "},
    {MessageId::AtOffset, " по адресу "},
    {MessageId::BlocksLeft, "• блоков оставлено как было (ремонт не нашёл, что вырезать): "},
    {MessageId::Verifying, "проверка декодированием"},
    {MessageId::ObjectsVerified, "проверено декодированием медиаобъектов: "},
    {MessageId::DamagedFound, "; повреждённых: "},
    {MessageId::NotVerified, "; не проверено (декодер не знает кодека или того, что в нём использовано): "},
    {MessageId::DecodingNotBuilt, "• эта сборка не проверяет декодированием (собрана без libavcodec)"},
    {MessageId::DamagedLeftOut, "\nпропущено повреждённых кадров и кадров до следующего ключевого (видео, звук): "},
    {MessageId::EncryptedNotVerified, "• содержимое зашифровано (DRM): декодированием не проверяется"},
    {MessageId::LibraryNotLoaded, "• библиотека декодирования не открывается: "},
    {MessageId::NothingToWrite, "• не найдено медиаобъектов для записи"},
    {MessageId::NothingVerified, "• ничего не проверено декодированием"},
    {MessageId::ReadErrorAt, "• ошибка чтения по адресу "},
    {MessageId::UnreadableBytes, "\nнечитаемых байт пропущено: "},
    {MessageId::DataBeyondHeader, "• пакеты идут и за концом данных, объявленным в заголовке: проверка продолжена с адреса "},
    {MessageId::PacketSizeDisagrees, "• пакеты не разбираются с размером из заголовка, разбираются с размером "},
    {MessageId::ObjectSizeFromNext, "• размер блока взят до следующего найденного блока: "},
    {MessageId::StreamTypeFromFormat, "• тип потока не из известных, взят по формату данных: поток "},
    {MessageId::ExtensionCut, "• в Header Extension пропущен блок с неверным размером, байт: "},
    {MessageId::ListNotThisFile, "• список ошибок не от этого файла: не сходится блок по адресу "},
    {MessageId::UnreadableBlock, "ошибка чтения: нечитаемые байты"},
    {MessageId::CutAt, "• вырезка по адресу "},
    {MessageId::CutConfirmedByDecoding, " подтверждена декодированием; мест проверено: "},
    {MessageId::CutNotConfirmed, " не подтверждена декодированием: повреждён кадр "},
    {MessageId::CutNotJudged, " не проверена декодированием (нет декодера для потока)"},
    {MessageId::FrameOfStream, " потока "},
    {MessageId::FrameAtTime, " в момент (мс) "},
    {MessageId::DamagedFramesRemain, "\nповреждённых кадров осталось (декодер их не принимает): "},
    {MessageId::WrittenChecked, "• записанный файл проверен декодированием; повреждённых кадров: "},
    {MessageId::WrittenAgain, "• файл записывается заново без повреждённых кадров, найденных в записанном: "},
    {MessageId::LeftDamagedByCut, "повреждён после вырезки (декодер его не принимает)"},
};

static_assert(std::size(kIdRows) == static_cast<std::size_t>(MessageId::Count));

}  // namespace

std::string_view RussianText(MessageId id) {
  const auto i = static_cast<std::size_t>(id);
  return i < std::size(kIdRows) && kIdRows[i].id == id ? kIdRows[i].rus : std::string_view();
}

std::string TextOf(MessageId id, Language lang) { return Translate(RussianText(id), lang); }

std::string Render(const Message& m, Language lang) {
  std::string text = m.before + (m.id == MessageId::None ? std::string() : TextOf(m.id, lang)) + m.after;
  if (m.tail != MessageId::None) text += TextOf(m.tail, lang);
  text += m.end;
  for (const auto& [id, words] : m.more) text += TextOf(id, lang) + words;
  return text;
}

std::string Translate(std::string_view rus, Language lang) {
  if (lang == Language::rus) return std::string(rus);
  for (const auto& row : kMessageTable)
    if (row.rus == rus) return std::string(row.eng);
  for (const auto& row : kExtraMessages)
    if (row.rus == rus) return std::string(row.eng);
  return std::string(rus);
}

bool ParseLanguage(std::string_view s, Language& out) {
  if (s == "en" || s == "eng") {
    out = Language::eng;
    return true;
  }
  if (s == "ru" || s == "rus") {
    out = Language::rus;
    return true;
  }
  return false;
}

}  // namespace corvel
