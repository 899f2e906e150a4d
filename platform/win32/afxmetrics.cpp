// System metrics, as far as the program asks for them.
#include <windows.h>

// The program asks only for the icon sizes, which do not depend on the screen.
int GetSystemMetrics(int nIndex)
{
    switch (nIndex)
    {
        case SM_CXICON:
        case SM_CYICON:
            return 32;
        case SM_CXSMICON:
        case SM_CYSMICON:
            return 16;
        default:
            return 0;
    }
}
