#include "places/placepick.h"

namespace tovane {

void PlacePick::load(bool hasRows, const QString& firstRow)
{
    if (hasRows)
        m_choice.path = firstRow;
    m_choice.cancelFlag = 1;
    m_armed = false;
    m_closeOnMouseUp = false;
}

void PlacePick::rowClicked(const QString& text)
{
    m_choice.path = text;
    m_armed = true;
}

void PlacePick::doubleClicked()
{
    if (!m_armed)
        return;
    m_armed = false;
    m_choice.cancelFlag = 0;
    m_closeOnMouseUp = true;
}

bool PlacePick::mouseUp()
{
    return m_closeOnMouseUp;
}

void PlacePick::enter(bool hasRows, const QString& currentRow)
{
    if (!hasRows) {
        m_choice.cancelFlag = 1;
        return;
    }
    // The row on show, not one deleted since it was clicked.
    if (!currentRow.isEmpty())
        m_choice.path = currentRow;
    m_choice.cancelFlag = 0;
}

} // namespace tovane
