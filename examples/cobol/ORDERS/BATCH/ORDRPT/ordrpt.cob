>>SOURCE FORMAT IS FREE
*> Daily order report: counts the orders by status (free format).
identification division.
program-id. ordrpt.
data division.
working-storage section.
copy ordrec replacing ==:PFX:== by ==rp==.
01 ws-counts.
   05 ws-open-count     pic 9(7) value 0.
   05 ws-shipped-count  pic 9(7) value 0.
   05 ws-other-count    pic 9(7) value 0.
linkage section.
01 lk-report-date       pic x(10).
01 lk-total             pic s9(9) comp-5.
procedure division using by value lk-report-date returning lk-total.
main-line.
    if rp-open
       add 1 to ws-open-count
    else
       if rp-shipped
          add 1 to ws-shipped-count
       else
          add 1 to ws-other-count
       end-if
    end-if
    compute lk-total = ws-open-count + ws-shipped-count + ws-other-count
    goback.
