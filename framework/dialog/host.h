// What a dialog needs from whoever shows it: timers, its own message boxes
// and the file-open dialog. The terminal renderer, the Windows renderer and
// the tests each provide one.
#pragma once

#include <string>
#include <vector>

#include "platform/message_box.h"

namespace dialog {

class CDialog;

// One entry of a file-open dialog's filter: "Arquivos de script (*.bat;*.cmd)"
// with the patterns "*.bat; *.cmd".
struct FileFilter {
  std::string label;
  std::string patterns;
};

struct FileOpenRequest {
  std::vector<FileFilter> filters;
  bool mustExist = true;
  bool hideReadOnly = true;
};

// Message boxes take the styles and give the answers of
// platform/message_box.h.

class DialogHost {
 public:
  virtual ~DialogHost() = default;
  // Timer `id` of `owner` fires every `milliseconds` (as WM_TIMER) until
  // killed; setting it again restarts it.
  virtual void SetTimer(CDialog* owner, int id, int milliseconds) = 0;
  virtual void KillTimer(CDialog* owner, int id) = 0;
  // A message box owned by the dialog; returns the answer.
  virtual int ShowMessageBox(CDialog* owner, const std::string& text, const std::string& caption, unsigned style) = 0;
  // The file-open dialog: true with the chosen file's full path, false when
  // the user cancels.
  virtual bool ChooseFile(CDialog* owner, const FileOpenRequest& request, std::string* path) = 0;
};

// Told of every change the program makes to a control, so that a renderer
// with real controls (Windows) keeps them equal to the model.
class DialogView {
 public:
  virtual ~DialogView() = default;
  virtual void ControlChanged(const CDialog& dialog, int id) = 0;
  virtual void VisibilityChanged(const CDialog& dialog) = 0;
  // A sheet is about to create `page` (its OnInitDialog runs next): the
  // renderer makes the page's window and becomes its view.
  virtual void PageAdded(CDialog& /*sheet*/, CDialog& /*page*/) {}
};

}  // namespace dialog
