#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <map>

namespace vegdb {

// Writes a КАЛИМ-19 controller database from a readable description, so that tests and demos
// never ship opaque binaries. The description is a JSON object:
//
//   "directories": {"alg": "ALG", "mod": "MOD", "tsk": "TASK"}   (optional; these are the defaults)
//   "algorithms": [{"dir": "Котельная/Насосы", "file": "00a1.alg", "number": "0x00A1",
//                   "longName": "...", "shortName": "...", "count": 3,
//                   "descriptors": [{"number": 1, "longName": "...", "shortName": "...",
//                                    "length": 0, "subtype": 0, "type": 0, "class": 0, "kind": 0,
//                                    "service": false, "array": false, "format": 0,
//                                    "repeat": 32}]}]
//   "modules":   [{"code": "0x1001", "count": 2, "algorithms": ["0x00A1", "0x00A2"]}]
//   "templates": [{"code": "0x1001", <queue body>}]
//   "queues":    [{"file": "Очереди/Котельная.tsk", <queue body>}]
//
// with <queue body> = "netNumber", "moduleCode", "taskCount", "tasks": [{"longName", "shortName",
// "number", "algorithm", "attributeWord", "inUse" (default true) or "flags", "paramCount",
// "params": [{"longName", "shortName", "number", "format", "attributeWord", "descriptor",
// "text", "repeat"}]}].
//
// Numbers are JSON integers or strings: decimal ("26"; leading zeros change nothing, "010" is
// ten) or hexadecimal after "0x" or "0X" ("0x1A"), with an optional sign. "service", "array" and
// "inUse" are JSON true or false; any other value is an error. Every name is Windows-1251 in the files.
// "file" (algorithms) defaults to the number as four upper-case hex digits and ".ALG"; "dir" to
// the algorithm directory itself. The counts ("count", "taskCount", "paramCount") default to what
// is listed and may be set otherwise to write a damaged file; "truncate" (any file object) keeps
// only that many bytes. "repeat" writes n copies of a descriptor or parameter, numbering them on
// from the given number (and descriptor number) and replacing "%1" in the names by 1 … n.
// A parameter with "text" is written as a text-valued parameter: four characters in the number
// and format words of its first record and of each continuation record, as many records as the
// length of its descriptor needs (the descriptor of the task's algorithm in this description; the
// text's own length when there is none).
//
// Errors are returned as a message naming the place in the description; nothing throws.

struct BuildResult
{
    bool Ok = false;
    QString Error;
};

// The files of a database, by path relative to the output directory, in the order written.
using DatabaseFiles = std::map<QString, QByteArray>;

BuildResult composeDatabase(const QJsonObject& description, DatabaseFiles& files);
BuildResult buildDatabase(const QJsonObject& description, const QString& outDir);
BuildResult buildDatabaseFromFile(const QString& descriptionPath, const QString& outDir);

} // namespace vegdb
