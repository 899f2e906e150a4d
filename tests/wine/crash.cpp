// A Windows program that crashes: under the test runner it must end with a failing status
// rather than wait on Wine's crash dialog.
int main()
{
    volatile int* nowhere = nullptr;
    return *nowhere;
}
