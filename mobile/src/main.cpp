#include "PelornApplication.h"

int main(int argc, char* argv[])
{
    return RunPelornApplication(argc, argv);
}
