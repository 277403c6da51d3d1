000100  IDENTIFICATION DIVISION.                                        CUSTINQ
000200  PROGRAM-ID. CUSTINQ.                                            CUSTINQ
000300*    CICS TRANSACTION CINQ: CUSTOMER INQUIRY FOR THE ORDER DESK.  CUSTINQ
000400*    THE CALLER PASSES ITS REQUEST AND GETS THE ANSWER IN DFHCOMMAREA.CUSTINQ
000500  DATA DIVISION.                                                  CUSTINQ
000600  WORKING-STORAGE SECTION.                                        CUSTINQ
000700  01  WS-RESP                    PIC S9(8) COMP.                  CUSTINQ
000800  01  WS-CUSTOMER-ROW.                                            CUSTINQ
000900      05  WS-NAME                PIC X(30).                       CUSTINQ
001000      05  WS-LIMIT               PIC S9(7)V99 COMP-3.             CUSTINQ
001100      05  WS-BALANCE             PIC S9(7)V99 COMP-3.             CUSTINQ
001200      EXEC SQL INCLUDE SQLCA END-EXEC.                            CUSTINQ
001300  LINKAGE SECTION.                                                CUSTINQ
001400  01  DFHCOMMAREA.                                                CUSTINQ
001500      COPY CUSTCOMM.                                              CUSTINQ
001600  PROCEDURE DIVISION.                                             CUSTINQ
001700  MAIN-PARA.                                                      CUSTINQ
001800      IF EIBCALEN = ZERO                                          CUSTINQ
001900         EXEC CICS SEND TEXT FROM(WS-NAME) LENGTH(30) ERASE END-EXECCUSTINQ
002000         EXEC CICS RETURN END-EXEC                                CUSTINQ
002100      END-IF                                                      CUSTINQ
002200      EVALUATE TRUE                                               CUSTINQ
002300         WHEN CA-INQUIRE                                          CUSTINQ
002400            PERFORM READ-CUSTOMER                                 CUSTINQ
002500         WHEN CA-BROWSE                                           CUSTINQ
002600            EXEC CICS LINK PROGRAM('CUSTBRWS') COMMAREA(DFHCOMMAREA)CUSTINQ
002700                 RESP(WS-RESP) END-EXEC                           CUSTINQ
002800      END-EVALUATE                                                CUSTINQ
002900      EXEC CICS RETURN END-EXEC.                                  CUSTINQ
003000  READ-CUSTOMER.                                                  CUSTINQ
003100      EXEC SQL                                                    CUSTINQ
003200         SELECT NAME, CREDIT_LIMIT, BALANCE                       CUSTINQ
003300           INTO :WS-NAME, :WS-LIMIT, :WS-BALANCE                  CUSTINQ
003400           FROM CUSTOMER                                          CUSTINQ
003500          WHERE CUSTOMER_NO = :CA-CUSTOMER-NO                     CUSTINQ
003600      END-EXEC                                                    CUSTINQ
003700      IF SQLCODE = 0                                              CUSTINQ
003800         MOVE WS-NAME TO CA-CUSTOMER-NAME                         CUSTINQ
003900         MOVE WS-LIMIT TO CA-CREDIT-LIMIT                         CUSTINQ
004000         MOVE WS-BALANCE TO CA-BALANCE                            CUSTINQ
004100         MOVE ZERO TO CA-RESP-CODE                                CUSTINQ
004200      ELSE                                                        CUSTINQ
004300         MOVE SQLCODE TO CA-RESP-CODE                             CUSTINQ
004400      END-IF.                                                     CUSTINQ
