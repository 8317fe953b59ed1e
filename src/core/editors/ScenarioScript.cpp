#include "core/editors/ScenarioScript.h"

#include <utility>

namespace veg::ScenarioScript {

std::optional<int> number(const QString& word)
{
    bool ok = false;
    const int v = word.toInt(&ok);
    return ok ? std::optional<int>(v) : std::nullopt;
}

QString keys(const QString& word)
{
    QString out;
    for (int i = 0; i < word.size(); ++i) {
        if (word[i] == u'\\' && i + 1 < word.size()) {
            const QChar next = word[i + 1];
            if (next == u'b') {
                out += QChar(8);
                ++i;
                continue;
            }
            if (next == u'\\') {
                out += u'\\';
                ++i;
                continue;
            }
        }
        out += word[i];
    }
    return out;
}

bool splitLine(const QString& line, QStringList& words, QString& error)
{
    words.clear();
    int i = 0;
    const int n = int(line.size());
    while (i < n) {
        if (line[i].isSpace()) {
            ++i;
            continue;
        }
        if (line[i] == u'#')
            break;
        QString word;
        if (line[i] == u'"') {
            ++i;
            bool closed = false;
            while (i < n) {
                if (line[i] == u'\\' && i + 1 < n && line[i + 1] == u'"') {
                    word += u'"';
                    i += 2;
                } else if (line[i] == u'"') {
                    closed = true;
                    ++i;
                    break;
                } else {
                    word += line[i++];
                }
            }
            if (!closed) {
                error = QStringLiteral("a quote is not closed");
                return false;
            }
        } else {
            while (i < n && !line[i].isSpace())
                word += line[i++];
        }
        words << word;
    }
    return true;
}

QString languageHelp()
{
    return QStringLiteral(
        "Язык сценария (по команде в строке; слова разделяются пробелами, в \"двойных кавычках\"\n"
        "пробелы сохраняются, \\\" внутри них — кавычка; # начинает комментарий). Строки и "
        "столбцы\n"
        "таблицы считаются от 0 вместе со строками заголовка, как их показывает окно; поля\n"
        "называются своими идентификаторами (см. \"show fields\").\n"
        "  open WINDOW [SUBBLOCK]   открыть окно главного меню (TFCommon, TFGroup, TFModbusTU, "
        "...);\n"
        "                           SUBBLOCK: субблок окна субблока (open TFTC 3); кнопка "
        "субблока\n"
        "                           (press Sub3 в TFOKP) открывает его поверх своего окна\n"
        "  close                    закрыть верхнее окно (его проверки при закрытии могут его\n"
        "                           оставить открытым)\n"
        "  click ROW COLUMN         щёлкнуть ячейку таблицы\n"
        "  type ROW COLUMN KEYS     щёлкнуть ячейку, набрать в ней KEYS и уйти из неё (\\b "
        "Backspace,\n"
        "                           \\\\ обратная косая черта; ячейка с маской открывается\n"
        "                           выделенной: первая клавиша освобождает все места _, затем\n"
        "                           каждая клавиша занимает первое свободное место)\n"
        "  choose ROW COLUMN ITEM   щёлкнуть ячейку и выбрать ITEM (текст или номер от 0) в её\n"
        "                           выпадающем списке\n"
        "  check ROW COLUMN on|off  флажок ячейки\n"
        "  set ROW COLUMN NUMBER    щёлкнуть ячейку и поставить в её счётчике NUMBER\n"
        "  delete ROW COLUMN        щёлкнуть ячейку и нажать Delete\n"
        "  menu ROW COLUMN ITEM     контекстное меню ячейки, затем ITEM\n"
        "  select NODE...           выделить узел дерева, к которому ведут тексты NODE от корня\n"
        "  dblclick NODE...         дважды щёлкнуть этот узел (он помещается)\n"
        "  place [SLOT]             \"<< Поместить\"; со SLOT (1-4) кнопка \">>\" этого места\n"
        "  drop ROW COLUMN          перетащить выделенный узел дерева на ячейку и отпустить\n"
        "  click FIELD              щёлкнуть поле\n"
        "  type FIELD KEYS          набрать KEYS в текстовом поле (сначала его текст выделяется,\n"
        "                           как по Tab), затем уйти из него; поле с маской принимает\n"
        "                           клавиши как ячейка с маской\n"
        "  set FIELD VALUE          выбор (текст пункта или номер), флажок (on|off), счётчик\n"
        "                           (число)\n"
        "  press BUTTON             кнопка (она может открыть окно субблока или закрыть окно);\n"
        "                           \"press Печать\" печатает: OK в окне печати, таблица строками\n"
        "                           \"print:\"\n"
        "  menu FIELD ITEM          контекстное меню поля, затем ITEM\n"
        "  answer yes|no...         ответы на следующие вопросы (вопрос без ответа получает no)\n"
        "  show grid|tree|fields|note|all   вывести окно: ячейки таблицы (~ серая, ! отмечена,\n"
        "                           {подсказка}), дерево (> выделен), поля, строку под таблицей\n"
        "Вывод: \"box: ТЕКСТ\" на каждое окно сообщения, \"ask: ТЕКСТ -> yes|no\" на каждый "
        "вопрос,\n"
        "\"print: ...\" на каждую напечатанную строку и то, что выводит show.\n"
        "Неизвестная команда или неверный аргумент останавливает сценарий с номером его строки.");
}

} // namespace veg::ScenarioScript
