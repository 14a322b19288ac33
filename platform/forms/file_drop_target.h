// Receiving files dropped from the desktop shell: a drop target that takes the
// file list (CF_HDROP) and hands the data to a handler, and the registration
// that ties it to a window for as long as the window lives.
#pragma once

#include <ole2.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace forms {

class FileDropTarget final : public IDropTarget {
 public:
  using Handler = std::function<void(IDataObject*)>;
  using Accepts = std::function<bool(POINTL screen_point)>;

  explicit FileDropTarget(Handler handler, Accepts accepts = {});

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL point,
                                      DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL point, DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragLeave() override;
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL point,
                                 DWORD* effect) override;

 private:
  bool Wanted(POINTL point) const { return has_files_ && (!accepts_ || accepts_(point)); }

  ULONG references_ = 1;
  Handler handler_;
  Accepts accepts_;
  bool has_files_ = false;
};

// Registers a drop target on a window and revokes it on destruction.
class DropRegistration {
 public:
  DropRegistration(HWND window, FileDropTarget::Handler handler,
                   FileDropTarget::Accepts accepts = {});
  ~DropRegistration();
  DropRegistration(const DropRegistration&) = delete;
  DropRegistration& operator=(const DropRegistration&) = delete;

  bool registered() const { return registered_; }
  // The target itself, for callers that deliver data directly.
  IDropTarget* target() const { return target_; }

 private:
  HWND window_;
  FileDropTarget* target_;
  bool registered_;
};

bool OffersFiles(IDataObject* data);

// The first path of the data's file list; nothing when it offers none.
std::optional<std::u16string> FirstDroppedFile(IDataObject* data);

// Every path of the data's file list, in its order; none when it offers none.
std::vector<std::u16string> DroppedFiles(IDataObject* data);

}  // namespace forms
