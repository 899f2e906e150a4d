// The process entry of a framework application: everything else starts in AfxWinMain.
#include <afxwin.h>

int main(int argc, char* argv[])
{
    return AfxWinMain(argc, argv);
}
