// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Screenshots of the program's windows for docs/screenshots. Each area registers its shots in a
// file of its own (ShotsViewer.cpp, ...):
//
//   static zarvo::shots::Register reg("viewer", [](zarvo::shots::Context& c) {
//       TFaxView view; ...; c.save(&view, "fax-viewer");
//   });

#include <QString>

#include <functional>
#include <vector>

class QWidget;

namespace zarvo::shots {

class Context {
  public:
    explicit Context(QString outDir, QString dataDir)
        : m_outDir(std::move(outDir)), m_dataDir(std::move(dataDir))
    {
    }
    // Shows the window (if hidden), lets it lay out and paint, and saves it as <name>.png.
    void save(QWidget* window, const QString& name);
    // The source tree's data folder (demo messages, RFCG3.DAT).
    QString dataDir() const { return m_dataDir; }
    int saved() const { return m_saved; }

  private:
    QString m_outDir;
    QString m_dataDir;
    int m_saved = 0;
};

using ShotFunction = std::function<void(Context&)>;

struct Entry {
    QString area;
    ShotFunction run;
};
std::vector<Entry>& Registry();

struct Register {
    Register(const QString& area, ShotFunction run) { Registry().push_back({area, std::move(run)}); }
};

} // namespace zarvo::shots
