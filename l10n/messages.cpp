#include "l10n/messages.hpp"

#include <algorithm>

namespace corvel {


// Every message: its id, its Russian and its English, in the ids' order.
constexpr std::array<MessageRow, 166> kMessages{{
    {MessageId::None, "", ""},
    {MessageId::PutFileNameHere, "сюда надо положить имя файла", "put filename here"},
    {MessageId::FileOpenError, "ошибка открытия файла", "file open error"},
    {MessageId::SourceOpenError, "ошибка открытия исходного файла", "source file open error"},
    {MessageId::FileOpened, "файл открыт, заголовок найден", "file opened, header found"},
    {MessageId::Interrupted, "прервано пользователем", "interrupted by user"},
    {MessageId::SearchFinished, "поиск завершен", "search finished"},
    {MessageId::FileSaved, "файл сохранён", "file saved"},
    {MessageId::FileSaveError, "ошибка сохранения файла", "file save error"},
    {MessageId::OperationComplete, "операция завершена", "operation complete"},
    {MessageId::ExploreStream, "проверка потока", "explore the stream"},
    {MessageId::GridOffset, "offset в файле", "offset in file"},
    {MessageId::GridDeclaredSize, "размер заявленный", "declared size"},
    {MessageId::GridActualSize, "размер реальный", "actual size"},
    {MessageId::GridDelta, "дельта", "delta"},
    {MessageId::GridMaxRepeat, "max повтор", "max repeat"},
    {MessageId::StopQuestion, "остановить процесс?", "stop the current process?"},
    {MessageId::Stop, "стоп", "stop"},
    {MessageId::ContinueQuestion, "продолжить проверку\r\nили начать сначала?", "continue checking\r\nor start from the beginning?"},
    {MessageId::Continue, "продолжить", "continue"},
    {MessageId::NewStart, "сначала", "new start"},
    {MessageId::ScanInProgress, "идёт проверка потока", "stream analysis in progress"},
    {MessageId::StreamNotFound, "• не найден поток", "• stream not found"},
    {MessageId::UnexpectedEnd, "• неожиданный конец файла", "• unexpected end of file"},
    {MessageId::PacketFailed, "• упала nn=", "• bsod nn="},
    {MessageId::SendTimeBack, ". SendTime < значения в предыдущем пакете", ". SendTime < prev.packet value"},
    {MessageId::AudioTimeBack, ". Presentation Time звука уменьшается", ". Presentation Time of sound stream is going down"},
    {MessageId::VideoTimeBack, ". Presentation Time видео уменьшается", ". Presentation Time of video stream is going down"},
    {MessageId::EndOfFile, "конец файла", "end of file"},
    {MessageId::AmountOf, "к-во", "amount of"},
    {MessageId::IndexImpossible, ". индекс не может быть создан", ". unable to create index"},
    {MessageId::CreatingIndex, "создаю индекс", "index creating..."},
    {MessageId::OverwriteQuestion, "файл с таким именем уже существует. перезаписать?", "file already exists. overwrite?"},
    {MessageId::ScanFirst, "• проведите проверку потока", "• check the stream first"},
    {MessageId::Saving, "идёт сохранение", "saving..."},
    {MessageId::SavingHeader, "сохраняю заголовок", "saving the header"},
    {MessageId::SavingStream, "сохраняю поток", "saving the stream"},
    {MessageId::NothingToJoin, "нечего клеить. добавьте файлы в список", "nothing to join. add files to list"},
    {MessageId::WhereToPut, "куда складывать?", "where to put?"},
    {MessageId::InProgress, "идёт работа", "in progress"},
    {MessageId::HeaderSizeNotFound, "ошибка чтения Header Object Size в файле ", "Header Object Size not found in file "},
    {MessageId::DataObjectNotFound, "ошибка чтения ASFDAO в файле ", "ASFDAO not found in file "},
    {MessageId::PrerollNotFound, "ошибка чтения Preroll в файле ", "Preroll not found in file "},
    {MessageId::FilePropertiesNotFound, "не найден FPO в файле ", "FPO not found in file "},
    {MessageId::PacketSizesDiffer, "у файлов разные Data Packet Size", "Data Packet Size values in files are different"},
    {MessageId::PlayDurationNotFound, "ошибка чтения Play Duration в файле ", "Play Duration not found in file "},
    {MessageId::StructureError, "ошибка в структуре файла ", "file structure error "},
    {MessageId::SendTimeRecalculation, "пересчёт SendTime", "SendTime recalculation"},
    {MessageId::RightClickMenu, "правая кнопка мыши в левом окне - вызов меню", "click right mouse button\r\non the left window to call the menu"},
    {MessageId::NoSignature, "• отсутствует сигнатура файла", "• file signature not found"},
    {MessageId::ReadingHeader, "читаю заголовок", "reading the header"},
    {MessageId::NextObjectMissing, "• ожидался ID следующего блока и не нашёлся. вероятно нарушение в структуре файла", "• next block ID expected but not found. probably errors in the file structure"},
    {MessageId::OddFilePropertiesSize, "• не стандартный размер блока ASF_File_Properties_Object", "• unknown size of ASF_File_Properties_Object"},
    {MessageId::ReadingIndex, "читаю индекс", "index reading"},
    {MessageId::LargeBlockQuestion, "а может не надо?\r\nразмер блока больше 100кБ.\r\nпродолжить?", "or maybe not?\r\nblock size more than 100kB.\r\ncontinue?"},
    {MessageId::OpenFileFirst, "файл надо открыть", "open file first"},
    {MessageId::CreateOutputError, "ошибка создания выходного файла", "unable to create destination file"},
    {MessageId::FramesSaved, "сохранено кадров: ", "saved frames: "},
    {MessageId::ReconstructingHeader, "• реконструкция заголовка", "• reconstructing header"},
    {MessageId::NotBuiltYet, "• отключено", "• still under construction"},
    {MessageId::NoDataPackets, "• в файлах нет пакетов данных", "• no data packets in the files"},
    {MessageId::NoStreamToWrite, "• нет потока для записи", "• no stream to write"},
    {MessageId::AviTooLarge, "• AVI больше 4 ГБ не поддерживается: ", "• an AVI over 4 GiB is not supported: "},
    {MessageId::OutputIsSource, "• выходной файл совпадает с исходным: ", "• the output file is the source file: "},
    {MessageId::SourceReadError, "ошибка чтения исходного файла", "source file read error"},
    {MessageId::InvalidPacketSize, "• неверный размер пакета: ", "• invalid data packet size: "},
    {MessageId::ObjectBelow24, "• размер блока меньше 24 байт, разбор заголовка остановлен: ", "• block size below 24 bytes, header walk stopped: "},
    {MessageId::ObjectPastEnd, "• блок выходит за конец файла: ", "• block runs past the end of the file: "},
    {MessageId::ObjectTooLarge, "• блок слишком велик для разбора: ", "• block too large to parse: "},
    {MessageId::PacketPrefix, "пакет nn=", "packet nn="},
    {MessageId::SavingIndex, "сохраняю индекс", "saving the index"},
    {MessageId::OutputExists, "существует; --force перезапишет", "exists; --force overwrites it"},
    {MessageId::NotAnErrorList, "не список ошибок (файла нет, или в нём не целое число записей по 26 байт)", "not an error list (missing, or not a whole number of 26-byte records)"},
    {MessageId::PacketSizeInferred, "• размер пакета определён по данным: ", "• packet size inferred from the data: "},
    {MessageId::ObjectPastHeader, "• блок выходит за конец заголовка: ", "• block runs past the end of the header: "},
    {MessageId::WalkResumed, "• разбор продолжен с конца заголовка: ", "• walk goes on at the end of the header: "},
    {MessageId::WalkResumedAt, "• разбор продолжен с блока, найденного по адресу: ", "• walk goes on at the object found at: "},
    {MessageId::IncompleteLeftOut, "\nпропущено неполных медиаобъектов (видео, звук): ", "\nincomplete media objects left out (video, audio): "},
    {MessageId::PayloadsRescued, "• спасено нагрузок из повреждённых пакетов: ", "• payloads rescued from damaged packets: "},
    {MessageId::StreamsLeftOut, "\nпропущены потоки, которых AVI не несёт: ", "\nstreams an AVI cannot carry, left out: "},
    {MessageId::ObjectsWritten, "\nзаписано медиаобъектов: ", "\nmedia objects written: "},
    {MessageId::Of, " из ", " of "},
    {MessageId::PacketsWritten, "\nзаписано пакетов: ", "\npackets written: "},
    {MessageId::InErrorBlocksLeftOut, "; пропущено в блоках ошибок: ", "; left out in error blocks: "},
    {MessageId::SendTimeJump, ". скачок SendTime (мс): ", ". send time jumps (ms): "},
    {MessageId::StreamsDiffer, "у файлов разные потоки: ", "the files' streams differ: "},
    {MessageId::EmptiedLeftOut, "; пропущено без целых медиаобъектов: ", "; left out with no whole media object: "},
    {MessageId::DataEndsInPacket, "\nданные обрываются внутри пакета, пропущено байт: ", "\nthe data ends inside a packet, bytes left out: "},
    {MessageId::DamagedSkipped, "\nпропущено повреждённых данных, байт: ", "\ndamaged data passed over, bytes: "},
    {MessageId::FileChanged, "файл на диске изменился после открытия: откройте его заново", "the file changed on disk since it was opened: open it again"},
    {MessageId::CutBytes, "• вырезано байт: ", "• bytes cut: "},
    {MessageId::AtOffset, " по адресу ", " at "},
    {MessageId::BlocksLeft, "• блоков оставлено как было (ремонт не нашёл, что вырезать): ", "• blocks left as they were (the repair found nothing to cut): "},
    {MessageId::Verifying, "проверка декодированием", "verifying by decoding"},
    {MessageId::ObjectsVerified, "проверено декодированием медиаобъектов: ", "media objects verified by decoding: "},
    {MessageId::DamagedFound, "; повреждённых: ", "; damaged: "},
    {MessageId::NotVerified, "; не проверено (декодер не знает кодека или того, что в нём использовано): ", "; not verified (no decoder for the codec, or for what it uses): "},
    {MessageId::DecodingNotBuilt, "• эта сборка не проверяет декодированием (собрана без libavcodec)", "• this build does not verify by decoding (built without libavcodec)"},
    {MessageId::DamagedLeftOut, "\nпропущено повреждённых кадров и кадров до следующего ключевого (видео, звук): ", "\ndamaged frames and frames up to the next key frame left out (video, audio): "},
    {MessageId::EncryptedNotVerified, "• содержимое зашифровано (DRM): декодированием не проверяется", "• the content is encrypted (DRM): not verified by decoding"},
    {MessageId::LibraryNotLoaded, "• библиотека декодирования не открывается: ", "• the decoding library cannot be opened: "},
    {MessageId::NothingToWrite, "• не найдено медиаобъектов для записи", "• no media object found to write"},
    {MessageId::NothingVerified, "• ничего не проверено декодированием", "• nothing was verified by decoding"},
    {MessageId::ReadErrorAt, "• ошибка чтения по адресу ", "• read error at "},
    {MessageId::UnreadableBytes, "\nнечитаемых байт пропущено: ", "\nunreadable bytes passed over: "},
    {MessageId::DataBeyondHeader, "• пакеты идут и за концом данных, объявленным в заголовке: проверка продолжена с адреса ", "• packets go on past the end of the data the header declares: scanned on from "},
    {MessageId::PacketSizeDisagrees, "• пакеты не разбираются с размером из заголовка, разбираются с размером ", "• the packets do not parse at the header's packet size; they do at "},
    {MessageId::ObjectSizeFromNext, "• размер блока взят до следующего найденного блока: ", "• an object's size taken up to the next object found: "},
    {MessageId::StreamTypeFromFormat, "• тип потока не из известных, взят по формату данных: поток ", "• a stream type of no known kind, taken from its format data: stream "},
    {MessageId::ExtensionCut, "• в Header Extension пропущен блок с неверным размером, байт: ", "• a Header Extension child with a broken size left out, bytes: "},
    {MessageId::ListNotThisFile, "• список ошибок не от этого файла: не сходится блок по адресу ", "• the error list is not this file's: it does not fit the block at "},
    {MessageId::UnreadableBlock, "ошибка чтения: нечитаемые байты", "read error: unreadable bytes"},
    {MessageId::CutAt, "• вырезка по адресу ", "• the cut at "},
    {MessageId::CutConfirmedByDecoding, " подтверждена декодированием; мест проверено: ", " confirmed by decoding; places tried: "},
    {MessageId::CutNotConfirmed, " не подтверждена декодированием: повреждён кадр ", " not confirmed by decoding: damaged frame "},
    {MessageId::CutNotJudged, " не проверена декодированием (нет декодера для потока)", " not checked by decoding (no decoder for the stream)"},
    {MessageId::FrameOfStream, " потока ", " of stream "},
    {MessageId::FrameAtTime, " в момент (мс) ", " at (ms) "},
    {MessageId::DamagedFramesRemain, "\nповреждённых кадров осталось (декодер их не принимает): ", "\ndamaged frames remain (the decoder rejects them): "},
    {MessageId::WrittenChecked, "• записанный файл проверен декодированием; повреждённых кадров: ", "• the written file checked by decoding; damaged frames: "},
    {MessageId::WrittenAgain, "• файл записывается заново без повреждённых кадров, найденных в записанном: ", "• written again without the damaged frames found in what was written: "},
    {MessageId::SendTimesAgain, "• времена отправки разошлись с рассчитанными по началу и концу частей: пакеты записываются заново", "• the send times differ from those the parts' first and last packets gave: the packets are written again"},
    {MessageId::SendTimesNeedAll, "• приблизительные времена отправки требуют всех пакетов заранее: части читаются дважды", "• approximate send times need every packet first: the parts are read twice"},
    {MessageId::ReferenceUnusable, "• в образце нет целого заголовка с потоками и постоянным размером пакета", "• the reference has no whole header with streams and one packet size"},
    {MessageId::ReferencePacketSize, "• размер пакета образца не подходит к данным: нет пакетов по столько байт в первых 64 МиБ: ", "• the reference's packet size does not match the data: no packets of this many bytes in the first 64 MiB: "},
    {MessageId::ReferenceStreams, "• потоки образца не совпадают с данными: поток ", "• the reference's streams do not match the data: stream "},
    {MessageId::ReferenceHas, " в данных, в образце ", " in the data, the reference has "},
    {MessageId::ReferenceObjectSizesHas, ": наибольший медиаобъект в данных и в образце, байт: ", ": its largest media object in the data and in the reference, bytes: "},
    {MessageId::ReferenceCodecDecodesNone, ": ни один его кадр не декодируется кодеком образца: ", ": none of its frames decodes with the reference's codec: "},
    {MessageId::ListAnd, " и ", " and "},
    {MessageId::ReferenceTaken, "заголовок взят из образца; пакеты найдены с адреса ", "header taken from the reference; packets found from offset "},
    {MessageId::ReferenceObjects, "объекты заголовка из образца: ", "header objects from the reference: "},
    {MessageId::OutputDecoded, "\nкадров в записанном файле декодируется: ", "\nframes of the written file that decode: "},
    {MessageId::BeforeKeyFrameLeftOut, "\nпропущено кадров до первого ключевого (видео): ", "\nframes before the first key frame left out (video): "},
    {MessageId::LeftDamagedByCut, "повреждён после вырезки (декодер его не принимает)", "damaged after the cut (the decoder rejects it)"},
    {MessageId::FileEmpty, "файл пуст", "the file is empty"},
    {MessageId::NoOutputName, "• не задано имя выходного файла", "• no output file name given"},
    {MessageId::ErrorListSaved, "список ошибок сохранён: ", "error list saved: "},
    {MessageId::DumpWritten, "• дамп записан: ", "• dump written: "},
    {MessageId::JobAlreadyFinished, "работа уже закончилась", "the job had already finished"},
    {MessageId::PacketsFound, "пакетов: ", "packets: "},
    {MessageId::KeyframePackets, "; с ключевыми кадрами: ", "; with key frames: "},
    {MessageId::ErrorBlocksFound, "; блоков ошибок: ", "; error blocks: "},
    {MessageId::IndexEntries, "; записей индекса: ", "; index entries: "},
    {MessageId::TimeLeft, ", осталось ", ", left "},
    {MessageId::FolderNotMade, "• не удалось создать папку: ", "• the folder could not be made: "},
    {MessageId::FramesLookedAt, "\nмедиаобъектов просмотрено: ", "\nmedia objects looked at: "},
    {MessageId::FilesWritten, "; файлов записано: ", "; files written: "},
    {MessageId::TimelineErrors, "блоки ошибок", "error blocks"},
    {MessageId::TimelineDamaged, "кадры, которые декодер не принимает", "frames the decoder rejects"},
    {MessageId::FirstAndAfter, "первый объект и столько же после него", "the first object and this many after it"},
    {MessageId::SecondsInTree, " сек", " s"},
    {MessageId::PartBytes, " байт, ", " B, "},
    {MessageId::PartSeconds, " с", " s"},
    {MessageId::CutsPending, "вырезки ремонта, применятся при сохранении: ", "cuts made by the repair, applied on saving: "},
    {MessageId::EqualSizesNeedNoFix, "исправлять ничего не надо, ибо заявленный размер станет равен реальному.", "nothing needs fixing: the declared size becomes the real one."},
    {MessageId::TimelineTitle, "тайм-лайн", "timeline"},
    {MessageId::TimelinePackets, "(пакеты)", "(packets)"},
    {MessageId::JoinWarning, "перед запуском процесса сборки убедитесь,\nчто все файлы исправны и являются кусками\nодного фильма.\n", "before join start be sure that\nall files are good and are\nparts of one movie\n"},
    {MessageId::AllFilesFilter, "* (все файлы) (*)", "* (all files) (*)"},
    {MessageId::AboutSummary, "проверка, ремонт, склейка и перепаковка файлов ASF", "inspect, repair, join and remux ASF files"},
    {MessageId::Licence, "лицензия", "licence"},
    {MessageId::Yes, "да", "yes"},
    {MessageId::No, "нет", "no"},
    {MessageId::DeleteRecordQuestion, "Вы действительно хотите\nудалить текущую запись?", "Do you really want\nto delete this record?"},
    {MessageId::QuitQuestion, "Уже уходите?", "Do you really want to quit?"},
}};

namespace {
constexpr bool InIdOrder() {
  for (std::size_t i = 0; i < kMessages.size(); ++i)
    if (kMessages[i].id != static_cast<MessageId>(i)) return false;
  return true;
}
static_assert(kMessages.size() == static_cast<std::size_t>(MessageId::Count) && InIdOrder());
}  // namespace

const MessageRow& RowOf(MessageId id) {
  const auto i = static_cast<std::size_t>(id);
  return kMessages[i < kMessages.size() ? i : 0];
}

std::string_view RussianText(MessageId id) { return RowOf(id).rus; }

std::string TextOf(MessageId id, Language lang) {
  const MessageRow& row = RowOf(id);
  return std::string(lang == Language::eng ? row.eng : row.rus);
}

std::string Render(const Message& m, Language lang) {
  std::string text = m.before + (m.id == MessageId::None ? std::string() : TextOf(m.id, lang)) + m.after;
  if (m.tail != MessageId::None) text += TextOf(m.tail, lang);
  text += m.end;
  for (const auto& [id, words] : m.more) text += TextOf(id, lang) + words;
  return text;
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
