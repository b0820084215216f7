// The confirmation asked before a station is deleted: the question, OK/Cancel and the check
// box that switches further confirmations off for the rest of the run.
#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;

class CDeleteConfirmDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kDontAskId = 1108;

  // question: Question() of the station's name.
  explicit CDeleteConfirmDlg(const QString& question, QWidget* parent = nullptr);

  static QString Question(const QString& stationName);
  bool DontAskAgain() const;

 private:
  QCheckBox* dontAsk_ = nullptr;
};
