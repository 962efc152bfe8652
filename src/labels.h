// The one-key labels of the list's rows: the label a row shows and the row a key picks,
// side by side so that they cannot drift apart. Rows 0-9 take the digits, rows 10-35 the
// letters A-Z and rows 36-47 the keys F1-F12; later rows have no label.
#pragma once

#include <string>

// The label of the row at this position, empty for none.
std::string KeyLabel(int position);

// The position of the row a released key picks: 0-9 or keypad 0-9, A-Z, F1-F12; -1 for
// every other key.
int LabelIndex(int key);
