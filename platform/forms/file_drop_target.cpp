#include "platform/forms/file_drop_target.h"

#include <shellapi.h>

namespace forms {
namespace {

FORMATETC FileListFormat() {
  return {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

}  // namespace

bool OffersFiles(IDataObject* data) {
  FORMATETC format = FileListFormat();
  return data && data->QueryGetData(&format) == S_OK;
}

std::vector<std::u16string> DroppedFiles(IDataObject* data) {
  std::vector<std::u16string> paths;
  if (!OffersFiles(data)) return paths;
  FORMATETC format = FileListFormat();
  STGMEDIUM medium{};
  if (data->GetData(&format, &medium) != S_OK) return paths;
  if (auto drop = static_cast<HDROP>(GlobalLock(medium.hGlobal))) {
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
      UINT length = DragQueryFileW(drop, i, nullptr, 0);
      std::wstring path(length + 1, L'\0');
      DragQueryFileW(drop, i, path.data(), length + 1);
      path.resize(length);
      paths.emplace_back(path.begin(), path.end());
    }
    GlobalUnlock(medium.hGlobal);
  }
  ReleaseStgMedium(&medium);
  return paths;
}

std::optional<std::u16string> FirstDroppedFile(IDataObject* data) {
  std::vector<std::u16string> paths = DroppedFiles(data);
  if (paths.empty()) return std::nullopt;
  return std::move(paths.front());
}

FileDropTarget::FileDropTarget(Handler handler, Accepts accepts)
    : handler_(std::move(handler)), accepts_(std::move(accepts)) {}

HRESULT FileDropTarget::QueryInterface(REFIID riid, void** object) {
  if (riid == IID_IUnknown || riid == IID_IDropTarget) {
    *object = static_cast<IDropTarget*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG FileDropTarget::AddRef() {
  return ++references_;
}

ULONG FileDropTarget::Release() {
  ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT FileDropTarget::DragEnter(IDataObject* data, DWORD, POINTL point, DWORD* effect) {
  has_files_ = OffersFiles(data);
  *effect = Wanted(point) ? DROPEFFECT_COPY : DROPEFFECT_NONE;
  return S_OK;
}

HRESULT FileDropTarget::DragOver(DWORD, POINTL point, DWORD* effect) {
  *effect = Wanted(point) ? DROPEFFECT_COPY : DROPEFFECT_NONE;
  return S_OK;
}

HRESULT FileDropTarget::DragLeave() {
  has_files_ = false;
  return S_OK;
}

HRESULT FileDropTarget::Drop(IDataObject* data, DWORD, POINTL point, DWORD* effect) {
  has_files_ = OffersFiles(data);
  const bool wanted = Wanted(point);
  *effect = wanted ? DROPEFFECT_COPY : DROPEFFECT_NONE;
  has_files_ = false;
  if (wanted) {
    try {
      handler_(data);
    } catch (...) {
      // Nothing may unwind into the caller's drag-and-drop loop.
    }
  }
  return S_OK;
}

DropRegistration::DropRegistration(HWND window, FileDropTarget::Handler handler,
                                   FileDropTarget::Accepts accepts)
    : window_(window), target_(new FileDropTarget(std::move(handler), std::move(accepts))) {
  registered_ = RegisterDragDrop(window_, target_) == S_OK;
}

DropRegistration::~DropRegistration() {
  if (registered_) RevokeDragDrop(window_);
  target_->Release();
}

}  // namespace forms
