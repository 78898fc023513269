-- The salary grade of every clerk, lowest grade first.
-- Explain the whole file: kestrin examples/grades.sql
SELECT e.ename, e.sal, s.grade   -- name, salary and its grade
  FROM emp e, salgrade s
 WHERE e.job = 'CLERK'
   AND e.sal BETWEEN s.losal AND s.hisal
 ORDER BY s.grade, e.ename;
