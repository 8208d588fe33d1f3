#include "app/captions.hpp"

namespace corvel::app {

const std::array<CaptionRow, 54> kCaptionTable{{
    {"TabSheetREM", "TTabSheet", "ремонт", "repair"},
    {"TabSheetAD", "TTabSheet", "сборка", "join"},
    {"TabSheetCFG", "TTabSheet", "настройки", "config"},
    {"BitBtnRE", "TBitBtn", "реконструкция заголовка", "header reconstruction"},
    {"BitBtnGO", "TBitBtn", "проверка потока", "explore the stream"},
    {"RadioZM", "TRadioButton", "создать заголовок с минимально необходимым количеством данных",
     "create header using minimum necessary blocks"},
    {"RadioZI", "TRadioButton", "заголовок собирается из блоков исходного файла", "create header using source file blocks"},
    {"CheckPere", "TCheckBox", "перенумеровать Media Objects", "renumber Media Objects"},
    {"CheckNOsio", "TCheckBox", "сохранить без индекса", "save without index"},
    {"Radio2AVI", "TRadioButton", "переложить в контейнер AVI без перекодирования", "put in AVI container without recompression"},
    {"LabelAVI", "TLabel", "выходной файл:", "outgoing file:"},
    {"RadioVA", "TRadioButton", "видео и звук", "video and sound"},
    {"RadioVI", "TRadioButton", "только видео", "video only"},
    {"RadioAU", "TRadioButton", "только звук", "sound only"},
    {"Radio2FI", "TRadioButton", "блоки в отдельные файлы", "blocks to separate files"},
    {"Label2FI", "TLabel", "первые              шт.", "       first              pcs."},
    {"BitBtn2AVI", "TBitBtn", "выполнить", "process"},
    {"BitBtnSUM", "TBitBtn", "склеить", "do join"},
    {"CheckHP", "TCheckBox", "высокий приоритет задачи", "high priority of this thread"},
    {"CheckUN", "TCheckBox", "отображать неизвестные юниты", "show unknown units in header"},
    {"CheckSIO", "TCheckBox", "отображать Index Entries в ASF_Simple_Index_Object (в TreeView)",
     "show Index Entries in ASF_Simple_Index_Object (in TreeView)"},
    {"CheckSION", "TCheckBox", "в процессе проверки создавать новый ASF_Simple_Index_Object",
     "force create ASF_Simple_Index_Object in the stream audition routine"},
    {"CheckDump", "TCheckBox", "сделать dump во время сканирования потока", "flush dump while checking the stream"},
    {"LabelJO", "TLabel", "при склеивании", "in join"},
    {"CheckPR", "TCheckBox", "сделать Preroll = ", "set Preroll = "},
    {"CheckPR1", "TCheckBox", "взять значение из первого файла", "get value from the first file"},
    {"CheckAST", "TCheckBox", "апроксимировать SendTime", "approximate SendTime"},
    {"RadioOP1", "TRadioButton", "опережение = Preroll", "leading = Preroll"},
    {"RadioOP2", "TRadioButton", "опережение = ", "leading = "},
    {"MIdumpp", "TMenuItem", "посмотреть dump", "show dump"},
    {"MIdump", "TMenuItem", "посмотреть dump", "show dump"},
    {"MIclear", "TMenuItem", "очистить список", "clear list"},
    {"MIadd", "TMenuItem", "добавить в список", "add files to list"},
    {"MIdel", "TMenuItem", "удалить", "delete from list"},
    {"MIsoer", "TMenuItem", "сохранить ошибки", "save errors"},
    {"MIzaer", "TMenuItem", "загрузить ошибки", "load errors"},
    // The repair that finds inserted bytes.
    {"RadioST", "TRadioButton", "убрать повторы и вставленные байты, найденные по структуре пакета",
     "cut repeats and inserted bytes found by the packet structure"},
    // Buttons and tabs whose caption is the same word in both languages
    // or a short form of it.
    {"TabSheet2AVI", "TTabSheet", "=> avi", "=> avi"},
    {"BitBtnOP", "TBitBtn", "открыть", "open"},
    {"BitBtnTL", "TBitBtn", "тайм-лайн", "timeline"},
    {"RadioEQ", "TRadioButton", "убрать области повторов, там где их размеры равны дельте",
     "cut repeated areas where their size equals the delta"},
    {"CheckDP", "TCheckBox", "если дельта положительна", "if the delta is positive"},
    {"CheckZR", "TCheckBox", "только повторы нулей", "repeats of zeros only"},
    {"LabelMS", "TLabel", "размеры повторов не менее               байт", "repeats of at least                          bytes"},
    {"RadioRERE", "TRadioButton", "убрать области повторов и пересканировать pack-и", "cut repeated areas and rescan the packets"},
    {"RadioISALL", "TRadioButton", "исправить размеры кривых блоков", "fix the sizes of broken blocks"},
    {"ImageHAMMER", "TImage", "ремонт", "repair"},
    {"ImageSA", "TImage", "сохранить", "save"},
    {"ImageSUM", "TImage", "сгенерить имя выходного файла", "make up the output file name"},
    {"ImageFI", "TImage", "выбрать файл", "choose file"},
    {"ImageZ", "TImage", "стоп", "stop"},
    // ... and the save that keeps damaged payloads and incomplete frames.
    {"CheckKI", "TCheckBox", "сохранить неполные медиаобъекты и повреждённые нагрузки как есть",
     "keep incomplete media objects and damaged payloads as found"},
    // Verifying by decoding, and the save that leaves out what it finds.
    {"BitBtnVD", "TBitBtn", "проверка декодированием", "verify by decoding"},
    {"CheckDD", "TCheckBox", "пропускать повреждённые кадры до ключевого",
     "leave out damaged frames up to the next key frame"},
}};

std::string CaptionOf(std::string_view control, Language lang) {
  for (const auto& row : kCaptionTable)
    if (row.control == control) return std::string(lang == Language::eng ? row.eng : row.rus);
  return {};
}

}  // namespace corvel::app
