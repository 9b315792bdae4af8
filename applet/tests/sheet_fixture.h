// The applet's sheet on the dialog model, with a host that records timers
// and boxes, and answers the questions as a test tells it.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "applet/base_dialog.h"
#include "applet/messages.h"
#include "applet/server_list.h"
#include "config/apl_config.h"
#include "framework/dialog/host.h"

namespace applet_test {

struct Box {
  std::string text;
  unsigned style;
};

class RecordingHost : public dialog::DialogHost {
 public:
  std::map<std::pair<dialog::CDialog*, int>, int> timers;  // running, with their periods
  std::vector<Box> pageBoxes;
  std::string chosenFile;  // empty: the user cancels the file dialog
  int fileDialogs = 0;

  void SetTimer(dialog::CDialog* owner, int id, int ms) override { timers[{owner, id}] = ms; }
  void KillTimer(dialog::CDialog* owner, int id) override { timers.erase({owner, id}); }
  int ShowMessageBox(dialog::CDialog*, const std::string& text, const std::string&, unsigned style) override {
    pageBoxes.push_back({text, style});
    return platform::kIdOk;
  }
  bool ChooseFile(dialog::CDialog*, const dialog::FileOpenRequest&, std::string* path) override {
    ++fileDialogs;
    if (chosenFile.empty()) return false;
    *path = chosenFile;
    return true;
  }
};

// Settings as if loaded (RegisterValues's defaults), changed by the test
// before the sheet opens.
struct SheetFixture {
  CAplConfig config;
  applet::ServerList servers;
  bool listening = true;
  RecordingHost host;
  std::unique_ptr<applet::CBaseDialog> sheet;
  std::vector<Box> sessionBoxes;
  std::deque<int> answers;  // for the session boxes, in turn; then Yes

  SheetFixture() {
    config.SetRootKey(platform::kLocalMachine, kAplConfigKey);
    config.RegisterValues();
    applet::SetBoxShower([this](const std::string&, const std::string& text, unsigned style) {
      sessionBoxes.push_back({text, style});
      if (answers.empty()) return platform::kIdYes;
      int answer = answers.front();
      answers.pop_front();
      return answer;
    });
  }
  ~SheetFixture() { applet::SetBoxShower(nullptr); }

  void Open(applet::SheetOptions options = {true, true}) {
    sheet = std::make_unique<applet::CBaseDialog>(config, servers, listening, options);
    sheet->Create(&host);
  }
  // Picks a tab as a person clicks it.
  void ShowTab(int index) { sheet->ClickTab(index); }
  void Apply() { sheet->Click(applet::CBaseDialog::kApplyButton); }
};

}  // namespace applet_test
