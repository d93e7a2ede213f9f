#pragma once
// Recording fakes of the ports the archive run and the start-up use, and a fixture that
// installs them with the real packer over a temporary program directory.

#include "archive/run/ArchiveRun.h"
#include "archive/run/EntryArchiver.h"
#include "platform/Files.h"
#include "platform/Platform.h"
#include "archive/run/RunPorts.h"
#include "archive/sevenzip/SevenZip.h"
#include "core/EntryList.h"
#include "core/UiPorts.h"
#include "FakeMessages.h"
#include "RunTestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <deque>
#include <ostream>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// One QCoreApplication for the suite: the start-up's timer and the packer's events need one.
class CoreApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (!QCoreApplication::instance())
            app = std::make_unique<QCoreApplication>(argc, argv);
    }
    void TearDown() override { app.reset(); }

private:
    int argc = 1;
    char name[16] = "skrytkar-tests";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QCoreApplication> app;
};

// Every call the run makes on the window, in order, as text ("ProgresEtap.Position=2").
class FakeProgress final : public ProgressPort {
public:
    FakeProgress(const char* name, QStringList& events) : name(QString::fromLatin1(name)), events(events) {}
    void SetMax(int value) override { max = value; events << name + QStringLiteral(".Max=%1").arg(value); }
    void SetPosition(int value) override
    {
        position = value;
        events << name + QStringLiteral(".Position=%1").arg(value);
    }
    void SetVisible(bool value) override
    {
        visible = value;
        events << name + (value ? QStringLiteral(".Show") : QStringLiteral(".Hide"));
    }
    void Refresh() override { events << name + QStringLiteral(".Refresh"); }

    int max = 0;
    int position = 0;
    bool visible = false;

private:
    QString name;
    QStringList& events;
};

class FakeMainWindow final : public MainWindowPort {
public:
    ProgressPort& ProgresEtap() override { return etap; }
    ProgressPort& Progress() override { return progress; }
    bool StatusPanelVisible() const override { return panelVisible; }
    void SetStatusPanelVisible(bool visible) override
    {
        panelVisible = visible;
        events << (visible ? QStringLiteral("Pdziala.Show") : QStringLiteral("Pdziala.Hide"));
    }
    void LoadStatusImage(const QString& name) override { events << QStringLiteral("Image=") + name; }
    void RefreshStatusImage() override { events << QStringLiteral("Image.Refresh"); }
    void ProcessWaitingInput() override
    {
        events << QStringLiteral("ProcessWaitingInput");
        ++inputTurns;
        if (onWaitingInput)
            onWaitingInput(inputTurns);
    }
    void Pause(int ms) override
    {
        events << QStringLiteral("Pause=%1").arg(ms);
        if (onPause)
            onPause();
    }
    void RepaintMainWindow() override { events << QStringLiteral("RepaintMainWindow"); }
    void Minimize() override { events << QStringLiteral("Minimize"); }
    void Terminate() override { events << QStringLiteral("Terminate"); }

    // Only the events whose text starts with `prefix`.
    QStringList Only(const QString& prefix) const
    {
        QStringList out;
        for (const QString& e : events)
            if (e.startsWith(prefix))
                out << e;
        return out;
    }

    QStringList events;
    FakeProgress etap{"ProgresEtap", events};
    FakeProgress progress{"Progress", events};
    bool panelVisible = true;
    int inputTurns = 0;
    std::function<void(int turn)> onWaitingInput;  // turn 1 comes after the first handled entry
    std::function<void()> onPause;
};

class FakeListBox final : public ListBoxPort {
public:
    void Clear() override
    {
        items.clear();
        selected.clear();
    }
    void AddItem(const QString& text) override
    {
        items << text;
        selected.push_back(false);
    }
    int Count() const override { return static_cast<int>(items.size()); }
    bool IsSelected(int index) const override
    {
        if (window)
            window->events << QStringLiteral("Lista.IsSelected=%1").arg(index);
        return index >= 0 && index < Count() && selected[static_cast<size_t>(index)];
    }
    void SetSelected(int index, bool value) override
    {
        if (index >= 0 && index < Count())
            selected[static_cast<size_t>(index)] = value;
    }
    QStringList items;
    std::vector<bool> selected;
    FakeMainWindow* window = nullptr;
};

// A temporary program directory with the fakes and a real packer, and the run made over them.
class RunFixture : public ::testing::Test, protected TempTree {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        programDir = root.path() + QStringLiteral("/program/");
        ASSERT_TRUE(QDir().mkpath(programDir));
        OverrideProgramDirectory(programDir);
        messages.onShow = [this](const ShownMessage& m) { window.events << QStringLiteral("Message=") + m.text; };
        list.window = &window;
        ports = std::make_unique<UserInterfacePorts>();
        ports->SetMessagePort(&messages);
        packer = std::make_unique<SevenZipPacker>();
        ConfigurePacker(*packer);
        entries.clear();
    }

    void TearDown() override
    {
        run.reset();
        packer.reset();
        ports.reset();
        OverrideProgramDirectory(QString());
        entries.clear();
    }

    // Appends an entry to the list and a line to the list box.
    void AddListEntry(const QString& typ, const QString& nazwa, const QString& source, const QString& docel,
                      bool selected = true)
    {
        entries.push_back({typ, nazwa, source, docel});
        list.AddItem(nazwa);
        list.SetSelected(list.Count() - 1, selected);
    }

    // A run over the fixture's list, window, messages, selection and packer.
    ArchiveRun& MakeRun(std::optional<Settings> options = std::nullopt)
    {
        RunParameters parameters;
        parameters.Entries = entries;
        parameters.Packer = packer.get();
        parameters.Window = &window;
        parameters.Messages = &messages;
        parameters.Selection = &list;
        parameters.Options = options;
        if (startLater)
            parameters.Started = QDateTime::currentDateTimeUtc().addSecs(3);
        run = std::make_unique<ArchiveRun>(std::move(parameters));
        return *run;
    }

    // The selected entries archived by a new run; its result is kept in `result`.
    const RunResult& ArchiveSelected()
    {
        if (!run || !run->Running())
            MakeRun();
        return Keep(run->ArchiveSelected());
    }
    // Every entry archived by a new run.
    const RunResult& ArchiveAll()
    {
        if (!run || !run->Running())
            MakeRun();
        return Keep(run->ArchiveAll());
    }

    const RunResult& Keep(const RunResult& made)
    {
        if (made.Start != RunStart::AlreadyRunning)
            result = made;
        return made;
    }

    const QString& FolderName() const { return result.FolderName; }
    // Runs begin a few seconds late, so that the files the test made count as older than them.
    bool startLater = false;

    QByteArray LogBytes() const
    {
        QFile f(programDir + QStringLiteral("Log.txt"));
        if (!f.open(QIODevice::ReadOnly))
            return QByteArray("<no log>");
        return f.readAll();
    }

    // The log the run should have written: header, then the given lines.
    QByteArray ExpectedLog(const QStringList& lines) const
    {
        QByteArray text = ("Log dla: " + FolderName() + QStringLiteral("\r\n")).toUtf8();
        text += "++++++++++++++++++++++++++++++++++\r\n";
        for (const QString& l : lines)
            text += (l + QStringLiteral("\r\n")).toUtf8();
        return text;
    }

    QString ArchiveOf(const QString& docel, const QString& nazwa) const
    {
        return docel + QLatin1Char('/') + FolderName() + QLatin1Char('/') + nazwa + QStringLiteral(".7z");
    }

    QString programDir;
    FakeMainWindow window;
    FakeMessages messages;
    std::unique_ptr<UserInterfacePorts> ports;
    FakeListBox list;
    EntryVector entries;
    std::unique_ptr<SevenZipPacker> packer;
    std::unique_ptr<ArchiveRun> run;
    RunResult result;
};
