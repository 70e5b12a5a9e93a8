// The Qt implementation of the UI service: real message boxes, file dialogs,
// the list picker and modal loops.
#pragma once

#include <QString>
#include <filesystem>
#include <optional>

#include "host/core/ui_service.h"

namespace confcred::host::widgets {

class QtUiService : public core::UiService {
  public:
    int showBox(const core::BoxRequest& request) override;
    std::optional<QString> chooseFile(const core::FileRequest& request) override;
    std::optional<QString> chooseSaveFile(const core::FileRequest& request) override;
    core::PickResult pickList(const core::PickRequest& request) override;
    int showModal(QDialog& dialog) override;
    void processMessages() override;
    void setScreenCursor(int cursor) override;
    int screenCursor() const override { return cursor_; }
    bool openUrl(const QUrl& url) override;
    void showPage(const QString& title, const QString& html, QWidget* parent) override;

  private:
    int cursor_ = core::crDefault;
    bool overridden_ = false;
};

// The caption a box shows: the request's, else the application title.
QString boxCaption(const core::BoxRequest& request);

// "Text File|*.txt|All Files|*.*" -> "Text File (*.txt);;All Files (*.*)".
// Patterns separated by ';' become blank-separated; a description without a
// pattern is dropped.
QString qtFileFilter(const QString& windowsFilter);

// The Windows path of a host file through the drive map: the drive whose
// folder holds it most closely ("/home/u/.local/share/confcred/C/a.txt" ->
// "C:\a.txt"). Nothing when no mapped drive holds it.
std::optional<QString> windowsPathOf(const std::filesystem::path& hostPath);

}  // namespace confcred::host::widgets
