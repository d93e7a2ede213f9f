// Skrytkar's main block. The start-up order lives in the archive library's start-up code.
int main()
{
    return 0;
}
