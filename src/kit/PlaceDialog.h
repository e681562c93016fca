#pragma once

class QWidget;

// Centres a window horizontally on its screen and puts its top edge at a third
// of the free height: left = (screen width - window width) / 2,
// top = (screen height - window height) / 3.
void PlaceDialog(QWidget *window);
