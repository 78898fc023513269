/* payroll.c: prints the payroll of the research department.
 *
 * The query lives in a C string spread over several lines, with a comment at
 * the end of each. Mark lines 11 to 16 as a block in the editor (or run
 * "kestrin examples/payroll.c 11-16") and Kestrin explains the statement:
 * the quotes, the semicolon and the comments are left out. */
#include <stdio.h>

/* Oracle reads the statement as one line. */
static const char* const kPayrollQuery =
    "SELECT e.empno, e.ename, e.job, e.sal, d.dname "  // who, and what they earn
    "  FROM emp e, dept d "                            // the demo schema's tables
    " WHERE d.deptno = 20 "                            // research only
    "   AND e.deptno = d.deptno "                      // each employee's department
    "   AND e.sal > 1000 "                             // leave out the trainees
    " ORDER BY e.sal DESC;";                           // the best paid first

int main(void) {
  puts(kPayrollQuery);
  return 0;
}
