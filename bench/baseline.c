/* The plain way to write the filter: fgets, sscanf with the listing's
 * patterns and printf, in C with no error handling; the speed quota_report
 * is measured against.  The default switches, or with
 * -rbf every volume of the usual types and states.  It spells the listing's
 * patterns and the row on its own, on purpose: the benchmark first requires
 * it to write quota_report's very report, which then checks the program's
 * spelling of them too. */
#include <stdio.h>
#include <string.h>

int main(int argc, char *argv[])
{
    char line[1024], name[63], type[9], status[19], first[127], second[15];
    unsigned long number, size, quota;
    int all = argc > 1 && !strcmp(argv[1], "-rbf");

    while (fgets(line, sizeof line, stdin)) {
        if (line[0] == ' ' || line[0] == '\n' || !strncmp(line, "Total number of", 15) ||
            !strncmp(line, "Total volumes on", 16))
            continue;
        if (sscanf(line, "%62s%lu%8s%lu K %18s", name, &number, type, &size, status) != 5)
            continue;
        if (!all && (!strcmp(type, "RO") || !strcmp(type, "BK") || !strcmp(status, "Off-line")))
            continue;
        if (!fgets(line, sizeof line, stdin) || strncmp(line, "    ", 4) ||
            sscanf(line, "%126s%14s", first, second) != 2)
            continue;
        if (!fgets(line, sizeof line, stdin) || strncmp(line, "    ", 4))
            continue;
        if (!fgets(line, sizeof line, stdin) || strncmp(line, "    MaxQuota ", 13) ||
            sscanf(line + 13, "%lu K", &quota) < 1)
            continue;
        printf("%-32s %9lu %9lu %s %s %s\n", name, quota, size, type, first, second);
    }
    return 0;
}
