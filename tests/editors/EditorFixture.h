#pragma once

#include "../core/TestSupport.h"
#include "../database/DbFixture.h"

#include "core/config/ConfigFile.h"
#include "core/config/GatewayConfig.h"
#include "core/editors/ScenarioRunner.h"
#include "core/editors/ScenarioScript.h"
#include "core/settings/AdditionalSettings.h"

#include <gtest/gtest.h>

#include <ostream>

// Readable failures: texts as texts, not as arrays of UTF-16 units.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os)
{
    *os << "{\n";
    for (const QString& s : l)
        *os << "  \"" << s.toStdString() << "\"\n";
    *os << "}";
}

// A small site for the editors: the pump station (network number 1A) with a gate valve task
// whose commands the telecontrol tree offers, a measuring task that it does not offer (its values
// of TypeCode 4, C4 and 24 are for the telemetry trees), a task
// not in use (never offered), and a task of the group-signal algorithm (exactly 32 plain signals: in Algorithms32) with group
// parameters of TypeCode A4, E4 and 84; a second controller (2B) from a queue file named
// plant.old.tsk; and two other queues for the pump station: one that keeps its parameters in
// another task, one that lacks "Закрыть задвижку".
inline const char* kEditorDatabase = R"({
  "algorithms": [
    {"number": "0x0011", "longName": "Управление задвижкой", "shortName": "ЗДВ",
     "descriptors": [
       {"number": 1, "longName": "Открыть", "shortName": "Откр", "type": 0},
       {"number": 2, "longName": "Закрыть", "shortName": "Закр", "type": 0},
       {"number": 3, "longName": "Стоп", "shortName": "Стоп", "type": 0},
       {"number": 4, "longName": "Положение", "shortName": "Полож", "type": 2},
       {"number": 5, "longName": "Команды", "shortName": "Ком", "type": 0, "array": true, "length": 4},
       {"number": 6, "longName": "Время хода", "shortName": "Тход", "type": 4}
     ]},
    {"number": "0x0020", "longName": "Измерения", "shortName": "ИЗМ",
     "descriptors": [
       {"number": 1, "longName": "Температура", "shortName": "Т", "type": 4},
       {"number": 2, "longName": "Архив", "shortName": "Арх", "type": 4, "class": 1, "array": true, "length": 1440},
       {"number": 3, "longName": "Расход", "shortName": "Расх", "type": "0xC4"},
       {"number": 4, "longName": "Уровень", "shortName": "Ур", "type": "0x24"}
     ]},
    {"number": "0x0030", "longName": "Групповой сбор", "shortName": "ГР",
     "descriptors": [
       {"number": 1, "repeat": 32, "longName": "Сигнал %1", "shortName": "С%1", "type": 0},
       {"number": 33, "longName": "Группа", "shortName": "Гр", "type": "0xA4"},
       {"number": 34, "longName": "Аварии", "shortName": "Ав", "type": "0xE4"},
       {"number": 35, "longName": "Прочее", "shortName": "Пр", "type": "0x84"}
     ]}
  ],
  "modules": [{"code": "0x1901", "algorithms": ["0x0011", "0x0020", "0x0030"]}],
  "queues": [
    {"file": "Очереди/Насосная.tsk", "netNumber": "0x1A", "moduleCode": "0x1901",
     "tasks": [
       {"number": 1, "longName": "Задвижка подачи", "shortName": "", "algorithm": "0x0011", "attributeWord": "0x1111",
        "params": [
          {"number": "0x0201", "descriptor": 1, "longName": "Открыть задвижку", "shortName": "Откр", "attributeWord": "0x1211"},
          {"number": "0x0202", "descriptor": 2, "longName": "Закрыть задвижку", "shortName": "", "attributeWord": "0x1111"},
          {"number": "0x0203", "descriptor": 3, "longName": "Стоп", "shortName": "Стоп", "attributeWord": "0x2111"},
          {"number": "0x0204", "descriptor": 4, "longName": "Положение", "shortName": "Полож", "attributeWord": "0x1311"},
          {"number": "0x0205", "descriptor": 5, "longName": "Команды", "shortName": "Ком", "attributeWord": "0x1111"},
          {"number": "0x0206", "descriptor": 6, "longName": "Время хода", "shortName": "Тход", "attributeWord": "0x1111"}
        ]},
       {"number": 2, "longName": "Теплоузел", "shortName": "ТУЗ", "algorithm": "0x0020", "attributeWord": "0x1111",
        "params": [
          {"number": "0x0301", "descriptor": 1, "longName": "Температура", "shortName": "Т", "attributeWord": "0x1311"},
          {"number": "0x0302", "descriptor": 2, "longName": "Архив", "shortName": "Арх", "attributeWord": "0x1311"},
          {"number": "0x0303", "descriptor": 3, "longName": "Расход", "shortName": "Расх", "attributeWord": "0x1311"},
          {"number": "0x0304", "descriptor": 4, "longName": "Уровень", "shortName": "Ур", "attributeWord": "0x1111"}
        ]},
       {"number": 3, "longName": "Котлы", "shortName": "КОТЛЫ", "algorithm": "0x0030", "attributeWord": "0x1111",
        "params": [
          {"number": "0x0401", "descriptor": 1, "repeat": 32, "longName": "Котёл %1", "shortName": "К%1", "attributeWord": "0x1111"},
          {"number": "0x0421", "descriptor": 33, "longName": "Группа котлов", "shortName": "ГрК", "attributeWord": "0x1111"},
          {"number": "0x0422", "descriptor": 34, "longName": "Аварии котлов", "shortName": "АвК", "attributeWord": "0x1111"},
          {"number": "0x0423", "descriptor": 35, "longName": "Прочее", "shortName": "Пр", "attributeWord": "0x1111"}
        ]},
       {"number": 4, "longName": "Выведенная задвижка", "shortName": "ВЫВ", "algorithm": "0x0011", "attributeWord": "0x1111", "inUse": false,
        "params": [
          {"number": "0x0501", "descriptor": 1, "longName": "Открыть выведенную", "shortName": "ОткрВ", "attributeWord": "0x1111"}
        ]}
     ]},
    {"file": "plant.old.tsk", "netNumber": "0x2B", "moduleCode": "0x1901",
     "tasks": [
       {"number": 7, "longName": "Задвижка обратки", "shortName": "ЗДВ2", "algorithm": "0x0011", "attributeWord": "0x1111",
        "params": [
          {"number": "0x0201", "descriptor": 1, "longName": "Открыть обратку", "shortName": "ОткрО", "attributeWord": "0x1311"},
          {"number": "0x0202", "descriptor": 2, "longName": "Закрыть обратку", "shortName": "ЗакрО", "attributeWord": "0x1211"}
        ]}
     ]},
    {"file": "Насосная-новая.tsk", "netNumber": "0x1A", "moduleCode": "0x1901",
     "tasks": [
       {"number": 9, "longName": "Новая задвижка", "shortName": "НЗ", "algorithm": "0x0011", "attributeWord": "0x1111",
        "params": [
          {"number": "0x0201", "descriptor": 1, "longName": "Открыть новую", "shortName": "ОткрН", "attributeWord": "0x1211"},
          {"number": "0x0202", "descriptor": 2, "longName": "Закрыть новую", "shortName": "", "attributeWord": "0x1211"}
        ]},
       {"number": 3, "longName": "Котлы", "shortName": "КОТЛЫ", "algorithm": "0x0030", "attributeWord": "0x1111",
        "params": [
          {"number": "0x0421", "descriptor": 33, "longName": "Группа котлов", "shortName": "ГрК", "attributeWord": "0x1111"}
        ]}
     ]},
    {"file": "Насосная-урезанная.tsk", "netNumber": "0x1A", "moduleCode": "0x1901",
     "tasks": [
       {"number": 1, "longName": "Задвижка подачи", "shortName": "", "algorithm": "0x0011", "attributeWord": "0x1111",
        "params": [
          {"number": "0x0201", "descriptor": 1, "longName": "Открыть задвижку", "shortName": "Откр", "attributeWord": "0x1211"}
        ]}
     ]}
  ]
})";

// The site's database, built once per test, and configurations over it.
class EditorFixture : public ::testing::Test
{
protected:
    DbFixture db;
    veg::AdditionalSettings additional;

    void SetUp() override { ASSERT_TRUE(db.build(kEditorDatabase)); }

    QString pumpQueue() const { return db.path("Очереди/Насосная.tsk"); }
    QString plantQueue() const { return db.path("plant.old.tsk"); }

    veg::ControllerEntry controller(const QString& queue, std::uint8_t net) const
    {
        veg::ControllerEntry e;
        e.QueuePath = queue;
        e.NetNumber = net;
        e.Present = QFileInfo(queue).isFile();
        e.Database = std::make_shared<veg::Task_CL>(queue, db.alg(), db.mod(), db.tsk());
        return e;
    }

    // A new configuration of `protocol` with the pump station (1A) and the plant (2B).
    veg::GatewayConfig site(veg::ProtocolVariant protocol = veg::ProtocolVariant::Modbus,
                            bool withControllers = true) const
    {
        veg::GatewayConfig c;
        c.Protocol = protocol;
        c.IsNewFile = true;
        c.CreateFor(protocol);
        c.ResetCommon();
        if (withControllers) {
            c.Controllers.push_back(controller(pumpQueue(), 0x1A));
            c.Controllers.push_back(controller(plantQueue(), 0x2B));
        }
        return c;
    }

    // Runs a script on `config`; a script error fails the test.
    QStringList run(veg::GatewayConfig& config, const QString& script, QChar separator = u'.')
    {
        veg::ScenarioRunner runner(config, additional, separator);
        const veg::ScenarioRunner::Result r = runner.run(script);
        EXPECT_TRUE(r.ok) << "line " << r.line << ": " << r.error.toStdString();
        return runner.output();
    }

    // The lines of a run that start with one of the prefixes ("box:", "ask:", "row 5:", ...).
    static QStringList only(const QStringList& lines, const QStringList& prefixes)
    {
        QStringList out;
        for (const QString& l : lines) {
            for (const QString& p : prefixes) {
                if (l.startsWith(p)) {
                    out << l;
                    break;
                }
            }
        }
        return out;
    }
};
