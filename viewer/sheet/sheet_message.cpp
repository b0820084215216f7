#include "sheet_message.h"

#include <QMessageBox>

#include "delete_confirm_dialog.h"
#include "vd/nested_loop.h"

namespace vd {

namespace {

SheetMessage::Handler& CurrentHandler() {
  static SheetMessage::Handler handler;
  return handler;
}

MessageAnswer ShowDialog(QWidget* parent, const MessageRequest& request) {
  MessageAnswer answer;
  vd::NestedLoop modal(vd::NestedLoop::Kind::kModal);
  if (request.kind == MessageRequest::Kind::kDeleteStation) {
    CDeleteConfirmDlg dialog(request.text, parent);
    answer.accepted = dialog.exec() == QDialog::Accepted;
    answer.dontAskAgain = answer.accepted && dialog.DontAskAgain();
    return answer;
  }
  QMessageBox box(QMessageBox::Question, request.caption, request.text,
                  QMessageBox::Yes | QMessageBox::No, parent);
  box.setDefaultButton(request.defaultNo ? QMessageBox::No : QMessageBox::Yes);
  answer.accepted = box.exec() == QMessageBox::Yes;
  return answer;
}

}  // namespace

MessageAnswer SheetMessage::Ask(QWidget* parent, const MessageRequest& request) {
  if (const Handler& handler = CurrentHandler()) return handler(parent, request);
  return ShowDialog(parent, request);
}

SheetMessage::Handler SheetMessage::SetHandler(Handler handler) {
  Handler previous = std::move(CurrentHandler());
  CurrentHandler() = std::move(handler);
  return previous;
}

bool SheetMessage::AskYesNo(QWidget* parent, const QString& caption, const QString& text,
                            bool defaultNo) {
  MessageRequest request;
  request.caption = caption;
  request.text = text;
  request.defaultNo = defaultNo;
  return Ask(parent, request).accepted;
}

}  // namespace vd
