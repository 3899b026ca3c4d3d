#pragma once

#include <QString>

// The script the field options stand for while the advanced options are off (ComposedScript).
// sendFields holds one character per field in the order number, date, time, value, unit, sum,
// average, '1' for a field that is sent; betweenFields and afterFields are the items "nic",
// "średnik", "Tab" and "Enter" (0 to 3) of the two separator groups, any other item inserting nothing.
// The separator between fields follows every sent field but the last of the list; the one after the
// fields closes the script whichever fields are sent.
QString composeScript(const QString& sendFields, int betweenFields, int afterFields);
