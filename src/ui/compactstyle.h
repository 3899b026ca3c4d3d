#pragma once

class QWidget;

// The window's pages share a content area of 252 x 212 pixels, drawn for a small font and holding up
// to ten rows of choices in titled groups. This gives a page that font (7 points) and a style that
// keeps the full indicator, text and title of check boxes, radio buttons and groups but drops the
// padding styles put around them and the room they keep between a group's title and its contents
// (sized for a check box in the title), which would push the lower rows off the page. Groups become
// flat and are drawn without a frame, since a frame line would run through the contents that now
// start right below the title. A style rather than fixed sizes, so that it still holds after a
// language switch or with another desktop style.
void applyCompactStyle(QWidget* page);
