#pragma once

#include "core/database/DatabaseSource.h"

#include <QHash>

namespace veg {

// A database held in memory: the files of one controller given as bytes, for readers that get
// their input from elsewhere than the file system (and for fuzzing the reader).
class MemoryDatabaseSource : public DatabaseSource
{
public:
    std::optional<QByteArray> Queue;
    QHash<std::uint16_t, QByteArray> Modules;
    QHash<std::uint16_t, QByteArray> Templates;
    QHash<std::uint16_t, QByteArray> Algorithms;
    bool TemplatesConfigured = true;

    std::optional<QByteArray> queueFile() override { return Queue; }
    std::optional<QByteArray> moduleFile(std::uint16_t code) override
    {
        return lookup(Modules, code);
    }
    bool hasTemplates() const override { return TemplatesConfigured; }
    std::optional<QByteArray> templateFile(std::uint16_t code) override
    {
        return lookup(Templates, code);
    }
    std::optional<QByteArray> algorithmFile(std::uint16_t number) override
    {
        return lookup(Algorithms, number);
    }

private:
    static std::optional<QByteArray> lookup(const QHash<std::uint16_t, QByteArray>& files,
                                            std::uint16_t key)
    {
        const auto it = files.constFind(key);
        if (it == files.cend())
            return std::nullopt;
        return *it;
    }
};

} // namespace veg
