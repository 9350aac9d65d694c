// vornrun: runs a plain-text script against another program's windows.
int main(int argc, char** argv)
{
    return 0;
}
