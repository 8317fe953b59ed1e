#pragma once

#include "EditorFixture.h"

#include "core/database/ControllerListForm.h"
#include "core/database/ControllerRefsEditor.h"
#include "core/editors/EditorSet.h"

// A small metering site for the editors of УНК ТМ, HART and КТС Энергия: the metering station
// (network number 21) with a flow computer task whose candidates are plain values, hourly
// archives of 1440 and 720 records (depths 60 and 30), a daily (class 2) and a monthly (class 3)
// archive, a class-1 archive too short for one day (depth 0), a set point and a failure word the
// value trees tell apart by their TypeCodes; a task of telesignals and a task of the group-signal
// algorithm (exactly 32 plain signals) with a group parameter. A second controller, the boiler
// house (22), has a flow task and a telesignal of its own. Two more queues of the metering
// station: one that keeps every parameter in another task, one that keeps only the density.
inline const char* kMeteringDatabase = R"({
  "algorithms": [
    {"number": "0x0050", "longName": "Расходомер", "shortName": "РАСХ",
     "descriptors": [
       {"number": 1, "longName": "Плотность", "shortName": "Плотн", "type": 4},
       {"number": 2, "longName": "Процент CO2", "shortName": "CO2", "type": 4},
       {"number": 3, "longName": "Процент азота", "shortName": "N2", "type": 4},
       {"number": 4, "longName": "Уставка", "shortName": "Уст", "type": 2},
       {"number": 5, "longName": "Часовой архив расхода", "shortName": "ЧасQ", "type": 4, "class": 1, "array": true, "length": 1440},
       {"number": 6, "longName": "Часовой архив давления", "shortName": "ЧасP", "type": 4, "class": 1, "array": true, "length": 720},
       {"number": 7, "longName": "Суточный архив", "shortName": "СутQ", "type": 4, "class": 2, "array": true, "length": 31},
       {"number": 8, "longName": "Месячный архив", "shortName": "МесQ", "type": 4, "class": 3, "array": true, "length": 12},
       {"number": 9, "longName": "Короткий архив", "shortName": "КорА", "type": 4, "class": 1, "array": true, "length": 12},
       {"number": 10, "longName": "Отказ", "shortName": "Отк", "type": "0x42"}
     ]},
    {"number": "0x0051", "longName": "Сигналы", "shortName": "СИГ",
     "descriptors": [
       {"number": 1, "longName": "Авария", "shortName": "Ав", "type": 0},
       {"number": 2, "longName": "Насос", "shortName": "Нас", "type": 0},
       {"number": 3, "longName": "Мощность", "shortName": "P", "type": 4}
     ]},
    {"number": "0x0052", "longName": "Групповой сбор", "shortName": "ГР",
     "descriptors": [
       {"number": 1, "repeat": 32, "longName": "Сигнал %1", "shortName": "С%1", "type": 0},
       {"number": 33, "longName": "Группа", "shortName": "Гр", "type": "0xA4"}
     ]}
  ],
  "modules": [{"code": "0x1901", "algorithms": ["0x0050", "0x0051", "0x0052"]}],
  "queues": [
    {"file": "Узел учёта.tsk", "netNumber": "0x21", "moduleCode": "0x1901",
     "tasks": [
       {"number": 1, "longName": "Нитка 1", "shortName": "Н1", "algorithm": "0x0050", "attributeWord": "0x1111",
        "params": [
          {"number": "0x0101", "descriptor": 1, "longName": "Плотность газа", "shortName": "Плотн", "attributeWord": "0x1311"},
          {"number": "0x0102", "descriptor": 2, "longName": "Процент CO2", "shortName": "CO2", "attributeWord": "0x1311"},
          {"number": "0x0103", "descriptor": 3, "longName": "Процент азота", "shortName": "N2", "attributeWord": "0x1311"},
          {"number": "0x0104", "descriptor": 4, "longName": "Уставка", "shortName": "Уст", "attributeWord": "0x1311"},
          {"number": "0x0105", "descriptor": 5, "longName": "Часовой архив расхода", "shortName": "ЧасQ", "attributeWord": "0x1311"},
          {"number": "0x0106", "descriptor": 6, "longName": "Часовой архив давления", "shortName": "ЧасP", "attributeWord": "0x1311"},
          {"number": "0x0107", "descriptor": 7, "longName": "Суточный архив", "shortName": "СутQ", "attributeWord": "0x1311"},
          {"number": "0x0108", "descriptor": 8, "longName": "Месячный архив", "shortName": "МесQ", "attributeWord": "0x1311"},
          {"number": "0x0109", "descriptor": 9, "longName": "Короткий архив", "shortName": "КорА", "attributeWord": "0x1311"},
          {"number": "0x010A", "descriptor": 10, "longName": "Отказ", "shortName": "Отк", "attributeWord": "0x1311"}
        ]},
       {"number": 2, "longName": "Сигналы узла", "shortName": "СУ", "algorithm": "0x0051", "attributeWord": "0x1111",
        "params": [
          {"number": "0x0201", "descriptor": 1, "longName": "Авария узла", "shortName": "Ав", "attributeWord": "0x1111"},
          {"number": "0x0202", "descriptor": 2, "longName": "Насос узла", "shortName": "Нас", "attributeWord": "0x1111"},
          {"number": "0x0203", "descriptor": 3, "longName": "Мощность узла", "shortName": "P", "attributeWord": "0x1311"}
        ]},
       {"number": 3, "longName": "Группы узла", "shortName": "ГУ", "algorithm": "0x0052", "attributeWord": "0x1111",
        "params": [
          {"number": "0x0301", "descriptor": 1, "repeat": 32, "longName": "Сигнал %1", "shortName": "С%1", "attributeWord": "0x1111"},
          {"number": "0x0321", "descriptor": 33, "longName": "Группа узла", "shortName": "ГрУ", "attributeWord": "0x1111"}
        ]}
     ]},
    {"file": "Котельная.tsk", "netNumber": "0x22", "moduleCode": "0x1901",
     "tasks": [
       {"number": 5, "longName": "Нитка котельной", "shortName": "НК", "algorithm": "0x0050", "attributeWord": "0x1111",
        "params": [
          {"number": "0x0101", "descriptor": 1, "longName": "Плотность котельной", "shortName": "ПлК", "attributeWord": "0x1311"},
          {"number": "0x0105", "descriptor": 5, "longName": "Архив котельной", "shortName": "АрхК", "attributeWord": "0x1311"}
        ]},
       {"number": 6, "longName": "Сигналы котельной", "shortName": "СК", "algorithm": "0x0051", "attributeWord": "0x1111",
        "params": [
          {"number": "0x0201", "descriptor": 1, "longName": "Авария котельной", "shortName": "АвК", "attributeWord": "0x1111"}
        ]}
     ]},
    {"file": "Узел учёта-новый.tsk", "netNumber": "0x21", "moduleCode": "0x1901",
     "tasks": [
       {"number": 9, "longName": "Новая нитка", "shortName": "НН", "algorithm": "0x0050", "attributeWord": "0x1111",
        "params": [
          {"number": "0x0101", "descriptor": 1, "longName": "Новая плотность", "shortName": "НПл", "attributeWord": "0x1311"},
          {"number": "0x0105", "descriptor": 5, "longName": "Новый архив", "shortName": "НАрх", "attributeWord": "0x1311"},
          {"number": "0x0106", "descriptor": 6, "longName": "Новый архив давления", "shortName": "НАрхP", "attributeWord": "0x1311"},
          {"number": "0x0107", "descriptor": 7, "longName": "Новый суточный", "shortName": "НСут", "attributeWord": "0x1311"},
          {"number": "0x010A", "descriptor": 10, "longName": "Новый отказ", "shortName": "НОтк", "attributeWord": "0x1311"}
        ]},
       {"number": 8, "longName": "Новые сигналы", "shortName": "НС", "algorithm": "0x0051", "attributeWord": "0x1111",
        "params": [
          {"number": "0x0201", "descriptor": 1, "longName": "Новая авария", "shortName": "НАв", "attributeWord": "0x1111"}
        ]}
     ]},
    {"file": "Узел учёта-урезанный.tsk", "netNumber": "0x21", "moduleCode": "0x1901",
     "tasks": [
       {"number": 1, "longName": "Нитка 1", "shortName": "Н1", "algorithm": "0x0050", "attributeWord": "0x1111",
        "params": [
          {"number": "0x0101", "descriptor": 1, "longName": "Плотность газа", "shortName": "Плотн", "attributeWord": "0x1311"}
        ]}
     ]}
  ]
})";

// The metering site, built once per test instead of the pump station's, and configurations over
// it.
class MeteringFixture : public EditorFixture
{
protected:
    void SetUp() override { ASSERT_TRUE(db.build(kMeteringDatabase)); }

    QString stationQueue() const { return db.path("Узел учёта.tsk"); }
    QString boilerQueue() const { return db.path("Котельная.tsk"); }

    // A new configuration of `protocol` with the metering station (21) and the boiler house
    // (22).
    veg::GatewayConfig station(veg::ProtocolVariant protocol, bool withControllers = true) const
    {
        veg::GatewayConfig c = site(protocol, false);
        if (withControllers) {
            c.Controllers.push_back(controller(stationQueue(), 0x21));
            c.Controllers.push_back(controller(boilerQueue(), 0x22));
        }
        return c;
    }

    // Saves `config` as Save As does and loads it back as File -> Load does.
    veg::GatewayConfig roundTrip(veg::GatewayConfig& config, QChar separator = u'.')
    {
        const QString file = db.path("round.veg");
        veg::SaveOptions options;
        options.decimalSeparator = separator;
        EXPECT_TRUE(veg::SaveConfiguration(config, file, true, options).ok);
        veg::GatewayConfig back;
        EXPECT_TRUE(veg::LoadConfiguration(back, file, {}).loaded());
        return back;
    }

    // The editors of a run registered with a controller list over `config`, as the main window
    // makes them.
    struct ListSite
    {
        ListSite(veg::GatewayConfig& config, const veg::AdditionalSettings& additional,
                 const DbFixture& db)
            : directories{db.root(), db.alg(), db.mod(), db.tsk()},
              session(config, dialogs, additional), editors(session),
              list(config, directories, dialogs, registered())
        {}
        veg::DatabaseDirectories directories;
        vegtest::ScriptedDialogs dialogs;
        veg::EditorSession session;
        veg::EditorSet editors;
        veg::ControllerRefsEditors registry;
        veg::ControllerListForm list;

    private:
        veg::ControllerRefsEditors& registered()
        {
            editors.registerRefsEditors(registry);
            return registry;
        }
    };
};
