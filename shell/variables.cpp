#include "variables.h"

using namespace platform;

Variables::Variables() : Form(QStringLiteral("Variables"))
{
    designWindow(QString(), BorderStyle::None, 1725, 90, StartPosition::WindowsDefault, Qt::white);
}

void Variables::Form_Load()
{
    Processing = QStringLiteral("Loading");
    FormVideo = QStringLiteral("Close");
    FormDebugger = QStringLiteral("Close");
    Scanner = QStringLiteral("Close");
    Dock = QStringLiteral("Slow");
}
