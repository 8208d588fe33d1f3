#include "app/captions.hpp"

namespace corvel::app {

const std::array<CaptionRow, 56> kCaptionTable{{
    {"TabSheetREM", "ремонт", "repair"},
    {"TabSheetAD", "сборка", "join"},
    {"TabSheetCFG", "настройки", "config"},
    {"BitBtnRE", "реконструкция заголовка", "header reconstruction"},
    {"BitBtnGO", "проверка потока", "explore the stream"},
    {"RadioZM", "создать заголовок с минимально необходимым количеством данных",
     "create header using minimum necessary blocks"},
    {"RadioZI", "заголовок собирается из блоков исходного файла", "create header using source file blocks"},
    {"CheckPere", "перенумеровать Media Objects", "renumber Media Objects"},
    {"CheckNOsio", "сохранить без индекса", "save without index"},
    {"Radio2AVI", "переложить в контейнер AVI без перекодирования", "put in AVI container without recompression"},
    {"LabelAVI", "выходной файл:", "outgoing file:"},
    {"RadioVA", "видео и звук", "video and sound"},
    {"RadioVI", "только видео", "video only"},
    {"RadioAU", "только звук", "sound only"},
    {"Radio2FI", "блоки в отдельные файлы", "blocks to separate files"},
    {"Label2FI", "первые              шт.", "       first              pcs."},
    {"BitBtn2AVI", "выполнить", "process"},
    {"BitBtnSUM", "склеить", "do join"},
    {"CheckHP", "высокий приоритет задачи", "high priority of this thread"},
    {"CheckUN", "отображать неизвестные юниты", "show unknown units in header"},
    {"CheckSIO", "отображать Index Entries в ASF_Simple_Index_Object (в TreeView)",
     "show Index Entries in ASF_Simple_Index_Object (in TreeView)"},
    {"CheckSION", "в процессе проверки создавать новый ASF_Simple_Index_Object",
     "force create ASF_Simple_Index_Object in the stream audition routine"},
    {"CheckDump", "сделать dump во время сканирования потока", "flush dump while checking the stream"},
    {"LabelJO", "при склеивании", "in join"},
    {"CheckPR", "сделать Preroll = ", "set Preroll = "},
    {"CheckPR1", "взять значение из первого файла", "get value from the first file"},
    {"CheckAST", "апроксимировать SendTime", "approximate SendTime"},
    {"RadioOP1", "опережение = Preroll", "leading = Preroll"},
    {"RadioOP2", "опережение = ", "leading = "},
    {"MIdumpp", "посмотреть dump", "show dump"},
    {"MIdump", "посмотреть dump", "show dump"},
    {"MIclear", "очистить список", "clear list"},
    {"MIadd", "добавить в список", "add files to list"},
    {"MIdel", "удалить", "delete from list"},
    {"MIsoer", "сохранить ошибки", "save errors"},
    {"MIzaer", "загрузить ошибки", "load errors"},
    // The repair that finds inserted bytes.
    {"RadioST", "убрать повторы и вставленные байты, найденные по структуре пакета",
     "cut repeats and inserted bytes found by the packet structure"},
    // Buttons and tabs whose caption is the same word in both languages
    // or a short form of it.
    {"TabSheet2AVI", "=> avi", "=> avi"},
    {"BitBtnOP", "открыть", "open"},
    {"BitBtnTL", "тайм-лайн", "timeline"},
    {"RadioEQ", "убрать области повторов, там где их размеры равны дельте",
     "cut repeated areas where their size equals the delta"},
    {"CheckDP", "если дельта положительна", "if the delta is positive"},
    {"CheckZR", "только повторы нулей", "repeats of zeros only"},
    {"LabelMS", "размеры повторов не менее               байт", "repeats of at least                          bytes"},
    {"RadioRERE", "убрать области повторов и пересканировать pack-и", "cut repeated areas and rescan the packets"},
    {"RadioISALL", "исправить размеры кривых блоков", "fix the sizes of broken blocks"},
    {"ImageHAMMER", "ремонт", "repair"},
    {"ImageSA", "сохранить", "save"},
    {"ImageSUM", "сгенерить имя выходного файла", "make up the output file name"},
    {"ImageFI", "выбрать файл", "choose file"},
    // A recording whose header a file that lost its own takes.
    {"referenceLabel", "образец (для файла без заголовка):", "reference (for a file without its header):"},
    {"referenceChooser", "выбрать образец: запись того же устройства с теми же настройками",
     "choose a reference: a recording of the same device with the same settings"},
    {"ImageZ", "стоп", "stop"},
    // ... and the save that keeps damaged payloads and incomplete frames.
    {"CheckKI", "сохранить неполные медиаобъекты и повреждённые нагрузки как есть",
     "keep incomplete media objects and damaged payloads as found"},
    // Verifying by decoding, and the save that leaves out what it finds.
    {"BitBtnVD", "проверка декодированием", "verify by decoding"},
    {"CheckDD", "пропускать повреждённые кадры до ключевого",
     "leave out damaged frames up to the next key frame"},
}};

std::string CaptionOf(std::string_view control, Language lang) {
  for (const auto& row : kCaptionTable)
    if (row.control == control) return std::string(lang == Language::eng ? row.eng : row.rus);
  return {};
}

}  // namespace corvel::app
