// Every question the sheet, the scan dialogs and the channel list ask goes through this one
// replaceable function, so tests (and headless runs) answer instead of a person.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace vd {

struct MessageRequest {
  enum class Kind {
    kYesNoQuestion,  // Yes/No buttons with the question icon
    kDeleteStation,  // the delete confirmation: OK/Cancel and a "don't ask again" box
  };
  Kind kind = Kind::kYesNoQuestion;
  QString caption;
  QString text;
  bool defaultNo = false;  // No (not Yes) is the default button
};

struct MessageAnswer {
  bool accepted = false;      // Yes or OK
  bool dontAskAgain = false;  // the delete confirmation's check box, when accepted
};

class SheetMessage {
 public:
  using Handler = std::function<MessageAnswer(QWidget* parent, const MessageRequest& request)>;

  static MessageAnswer Ask(QWidget* parent, const MessageRequest& request);
  // Installs a handler and returns the previous one; an empty handler restores the dialogs.
  static Handler SetHandler(Handler handler);

  // A Yes/No question with the question icon; true for Yes.
  static bool AskYesNo(QWidget* parent, const QString& caption, const QString& text,
                       bool defaultNo = false);
};

}  // namespace vd
