// The desktop program's windows around a data module of their own, with the
// user's answers given by the test.
#pragma once

#include <gtest/gtest.h>

#include <QDialog>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/Messages.h"
#include "config/Dmodule.h"
#include "platform/TestSeams.h"
#include "tests/support/TempDir.h"
#include "ui/qt/Dialogs.h"
#include "ui/qt/ElidedLabel.h"
#include "ui/qt/Mainform.h"
#include "ui/qt/Resultform.h"
#include "ui/qt/Setcomdlg.h"
#include "ui/qt/Wizardform.h"

namespace dm::ui {

class UiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::testSeams().programFile = dir / "prog/dirmatch-gui";
        dir.folder("prog");
        dm = std::make_unique<TDM>();
        main = std::make_unique<TfrmMain>(*dm);
        // The forms belong to the main window, as in the program.
        filters = new TdlgSetCom(*dm, main.get());
        wizard = new TfrmWizard(*dm, *filters, main.get());
        report = new TfrmResult(*dm, main.get());
        main->setForms(wizard, report);
        uiHooks().execModal = [this](QDialog& d) {
            shown.push_back(d.metaObject()->className());
            if (onModal) return onModal(d);
            return int(QDialog::Accepted);
        };
        uiHooks().message = [this](const QString& text) { messages.push_back(text.toStdString()); };
        uiHooks().askYesNo = [this](const QString&, const QString&) { return answerYes; };
        uiHooks().openWithShell = [this](const QString& target) { opened.push_back(target.toStdString()); };
        main->show();
    }

    void TearDown() override
    {
        if (main) main->waitUntilIdle();
        uiHooks() = UiHooks{};
        platform::testSeams().failListing = nullptr;
        main.reset();
        dm.reset();
        platform::testSeams().programFile.clear();
        setLanguage(Chinese);
    }

    // Folders A and B set as the wizard would leave them.
    void chooseFolders()
    {
        dm->StandardDir = dir.folder("A");
        dm->LocalDir = dir.folder("B");
    }

    // Every folder listing waits until `until` says so (ten seconds at most),
    // so that a job is still running when the test acts, however fast or
    // loaded the machine; `listingsBegun` counts them.
    void holdListings(std::function<bool()> until)
    {
        listingsBegun = 0;
        platform::testSeams().failListing = [this, until = std::move(until)](const std::string&) {
            ++listingsBegun;
            for (int i = 0; i < 10000 && !until(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return 0;
        };
    }
    std::atomic<int> listingsBegun{0};

    // The window's events for 10 ms.
    static void spin()
    {
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }

    bool reportShown() const
    {
        return std::find(shown.begin(), shown.end(), std::string("dm::ui::TfrmResult")) != shown.end();
    }

    std::string panel(int i) const { return main->panels[i]->fullText().toStdString(); }

    test::TempDir dir;
    std::unique_ptr<TDM> dm;
    std::unique_ptr<TfrmMain> main;
    TdlgSetCom* filters = nullptr;
    TfrmWizard* wizard = nullptr;
    TfrmResult* report = nullptr;
    std::vector<std::string> shown;
    std::vector<std::string> messages;
    std::vector<std::string> opened;
    std::function<int(QDialog&)> onModal;
    bool answerYes = true;
};

}  // namespace dm::ui
