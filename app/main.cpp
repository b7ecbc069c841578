#include "app/startup.h"

int main(int argc, char** argv)
{
    return drovexec_main(argc, argv);
}
