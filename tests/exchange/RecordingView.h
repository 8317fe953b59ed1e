#pragma once

#include "core/exchange/ExchangeView.h"

#include <QStringList>

#include <vector>

// Records what a command shows.
struct RecordingView : veg::ExchangeView
{
    QStringList captions;
    std::vector<int> progress;
    std::vector<veg::FoundDevice> found;

    void setCaption(const QString& text) override { captions << text; }
    void setProgress(int position) override { progress.push_back(position); }
    void clearFound() override { found.clear(); }
    void addFound(const veg::FoundDevice& row) override { found.push_back(row); }
};
