// The main window: two path boxes, Start and Close, and the menus.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "conversion/conversion_run.h"
#include "engine/clsQuillmere.h"
#include "platform/forms/file_drop_target.h"
#include "platform/forms/form.h"

class Form1 : public forms::Form {
 public:
  Form1();
  ~Form1() override;

  // The program's folder, ending in "\"; the settings file lives there.
  std::u16string MyPath;

  void Btn_Start_Click();
  void Btn_Close_Click();
  void mnuExit_Click();
  void mnuOption_Click();
  void mnuText_Click();
  void mnuAbout_Click();
  void Btn_Open_Click();
  void Btn_Save_Click();
  void Form_OLEDragDrop(IDataObject* data);
  void txtInput_OLEDragDrop(IDataObject* data);

  // Paths handed to the program (its command line, as Send To and "Open
  // with" give them): the two boxes filled as a drop on the window fills
  // them.
  void OpenPaths(const std::vector<std::u16string>& paths);

  // The drop targets of the window surface and of txtInput.
  IDropTarget* FormDropTarget() const;
  IDropTarget* InputDropTarget() const;

 protected:
  void Form_Load() override;
  void OnClick(std::u16string_view control) override;
  void OnMenu(std::u16string_view item) override;
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  using Outcome = std::pair<std::u16string, unsigned>;  // a message and its style

  // The conversion behind Start; returns the message to show.
  Outcome Convert();
  Outcome ConvertOne(const std::u16string& input);
  Outcome ConvertMany(const std::vector<std::u16string>& inputs);
  // The settings file read into `converter`, and the output's encoding into
  // `options`; the message that stops the conversion when it cannot be.
  std::optional<Outcome> LoadSettings(clsQuillmere& converter,
                                      conversion::RunOptions& options) const;
  void ShowMessage(std::u16string_view text, unsigned style);
  // Dropped or handed paths into the boxes: one file as ever (onto txtInput,
  // its output keeps the folder already there), several files or folders
  // as a list.
  void TakePaths(const std::vector<std::u16string>& paths, bool onto_input);
  bool SurfaceAcceptsDrop(POINTL screen_point) const;

  bool ole_ = false;
  std::unique_ptr<forms::DropRegistration> form_drop_, input_drop_;
};

// The program's folder as Form_Load sets MyPath: the folder of the program
// file, with one trailing "\".
std::u16string ProgramFolderWithSeparator();
