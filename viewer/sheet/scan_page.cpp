#include "scan_page.h"

CScanPage::CScanPage(vd::ScanHost& host, QWidget* parent)
    : vd::ScanForm(host, Role::kSearchPage, parent) {}
