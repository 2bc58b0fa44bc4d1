#include "app/mStartup.h"

int main(int argc, char *argv[])
{
    return sparrowtrim::mStartup::Main(argc, argv);
}
