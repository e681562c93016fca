// The main window's way in for hand-offs from the browser and drops on the
// floating drop window.
#include "ui/MainHandOff.h"
#include "ui/frmMain.h"

void frmMain::connectHandOff() {
    m_handOff = new MainHandOff(*this, m_core);
}

void frmMain::receiveHandOff(const HandOffMessage &message) {
    m_handOff->receive(message);
}
