#include "display/OfflineDisplay.h"

int OfflineDisplay::present()
{
    ++m_presents;
    if (m_sink)
        m_sink(m_backBuffer);
    return 1;
}
