/* Orlenda sample skin: a Qt style sheet. Copy it to x/o.cjs next to the
   program to use it. Colours only: the window's fonts and layout stay. */

QWidget#Form1 {
    background: #e8eef4;
}

QPushButton {
    color: #1d2b3a;
    background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #ffffff, stop: 1 #d9e4ef);
    border: 1px solid #8aa2b8;
    border-radius: 4px;
}

QPushButton:hover {
    background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #ffffff, stop: 1 #c3d7ea);
    border-color: #3f77a8;
}

QPushButton:pressed {
    background: #b7cde2;
}

QPushButton:focus {
    border: 2px solid #3f77a8;
}

QGroupBox {
    color: #1d2b3a;
    border: 1px solid #8aa2b8;
    border-radius: 4px;
    margin-top: 7px;
}

QGroupBox::title {
    subcontrol-origin: margin;
    left: 8px;
    padding: 0 3px;
}

QLineEdit {
    border: 1px solid #8aa2b8;
    border-radius: 2px;
    background: #ffffff;
    selection-background-color: #3f77a8;
}

QTableView {
    border: 1px solid #8aa2b8;
    selection-background-color: #3f77a8;
}

QHeaderView::section {
    color: #1d2b3a;
    background: #d9e4ef;
    border: none;
    border-right: 1px solid #8aa2b8;
    border-bottom: 1px solid #8aa2b8;
    padding-left: 4px;
}

QProgressBar {
    color: #1d2b3a;
    background: #ffffff;
    border: 1px solid #8aa2b8;
    border-radius: 4px;
    text-align: center;
}

QProgressBar::chunk {
    background: #8fc1e8;
    border-radius: 3px;
}

QToolTip {
    color: #1d2b3a;
    background: #ffffe8;
    border: 1px solid #8aa2b8;
}
