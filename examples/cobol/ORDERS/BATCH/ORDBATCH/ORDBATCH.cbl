000100  IDENTIFICATION DIVISION.                                        ORDBATCH
000200  PROGRAM-ID. ORDBATCH.                                           ORDBATCH
000300  AUTHOR. ORDER PROCESSING TEAM.                                  ORDBATCH
000400*    NIGHTLY ORDER RUN: READS THE ORDER FILE, PRICES EVERY OPEN   ORDBATCH
000500*    ORDER THROUGH RATECALC AND WRITES THE PRICED ORDERS.         ORDBATCH
000600  ENVIRONMENT DIVISION.                                           ORDBATCH
000700  INPUT-OUTPUT SECTION.                                           ORDBATCH
000800  FILE-CONTROL.                                                   ORDBATCH
000900      SELECT ORDER-FILE ASSIGN TO ORDIN                           ORDBATCH
001000          FILE STATUS IS WS-ORDER-STATUS.                         ORDBATCH
001100      SELECT PRICED-FILE ASSIGN TO ORDOUT.                        ORDBATCH
001200  DATA DIVISION.                                                  ORDBATCH
001300  FILE SECTION.                                                   ORDBATCH
001400  FD  ORDER-FILE.                                                 ORDBATCH
001500      COPY ORDREC REPLACING ==:PFX:== BY ==IN==.                  ORDBATCH
001600  FD  PRICED-FILE.                                                ORDBATCH
001700  01  PRICED-RECORD              PIC X(400).                      ORDBATCH
001800  WORKING-STORAGE SECTION.                                        ORDBATCH
001900  01  WS-ORDER-STATUS            PIC XX.                          ORDBATCH
002000      88  WS-ORDER-OK            VALUE '00'.                      ORDBATCH
002100      88  WS-ORDER-EOF           VALUE '10'.                      ORDBATCH
002200  01  WS-COUNTERS.                                                ORDBATCH
002300      05  WS-READ-COUNT          PIC S9(7) COMP-3 VALUE ZERO.     ORDBATCH
002400      05  WS-PRICED-COUNT        PIC S9(7) COMP-3 VALUE ZERO.     ORDBATCH
002500      05  WS-LINE-IX             PIC S9(4) COMP.                  ORDBATCH
002600  01  WS-MESSAGE                 PIC X(60) VALUE 'ORDER RUN ENDED, ORDERSORDBATCH
002700-    ' PRICED: '.                                                 ORDBATCH
002800      COPY RATEPARM.                                              ORDBATCH
002900  PROCEDURE DIVISION.                                             ORDBATCH
003000  0000-MAIN SECTION.                                              ORDBATCH
003100  0000-START.                                                     ORDBATCH
003200      PERFORM 1000-INIT                                           ORDBATCH
003300      PERFORM 2000-PROCESS THRU 2000-EXIT                         ORDBATCH
003400          UNTIL WS-ORDER-EOF                                      ORDBATCH
003500      PERFORM 9000-TERMINATE                                      ORDBATCH
003600      STOP RUN.                                                   ORDBATCH
003700  1000-INIT SECTION.                                              ORDBATCH
003800  1000-OPEN.                                                      ORDBATCH
003900      OPEN INPUT ORDER-FILE                                       ORDBATCH
004000           OUTPUT PRICED-FILE                                     ORDBATCH
004100      IF NOT WS-ORDER-OK                                          ORDBATCH
004200         DISPLAY 'ORDER FILE NOT OPENED ' WS-ORDER-STATUS         ORDBATCH
004300         MOVE 16 TO RETURN-CODE                                   ORDBATCH
004400         STOP RUN                                                 ORDBATCH
004500      END-IF.                                                     ORDBATCH
004600  2000-PROCESS SECTION.                                           ORDBATCH
004700  2000-READ.                                                      ORDBATCH
004800      READ ORDER-FILE                                             ORDBATCH
004900          AT END GO TO 2000-EXIT                                  ORDBATCH
005000      END-READ                                                    ORDBATCH
005100      ADD 1 TO WS-READ-COUNT                                      ORDBATCH
005200      IF IN-OPEN                                                  ORDBATCH
005300         PERFORM 2100-PRICE-ORDER                                 ORDBATCH
005400      END-IF.                                                     ORDBATCH
005500  2000-EXIT.                                                      ORDBATCH
005600      EXIT.                                                       ORDBATCH
005700  2100-PRICE-ORDER SECTION.                                       ORDBATCH
005800  2100-PRICE.                                                     ORDBATCH
005900      MOVE 'A1' TO RP-CUSTOMER-CLASS                              ORDBATCH
006000      MOVE ZERO TO RP-ORDER-AMOUNT                                ORDBATCH
006100      PERFORM VARYING WS-LINE-IX FROM 1 BY 1                      ORDBATCH
006200              UNTIL WS-LINE-IX > IN-LINE-COUNT                    ORDBATCH
006300         COMPUTE RP-ORDER-AMOUNT = RP-ORDER-AMOUNT                ORDBATCH
006400               + IN-QUANTITY (WS-LINE-IX) * IN-PRICE (WS-LINE-IX) ORDBATCH
006500      END-PERFORM                                                 ORDBATCH
006600      CALL 'RATECALC' USING RATE-PARAMETERS RATE-CONTROL          ORDBATCH
006700      EVALUATE RP-RETURN-CODE                                     ORDBATCH
006800         WHEN 0                                                   ORDBATCH
006900            WRITE PRICED-RECORD FROM IN-ORDER-RECORD              ORDBATCH
007000            ADD 1 TO WS-PRICED-COUNT                              ORDBATCH
007100         WHEN 4                                                   ORDBATCH
007200            DISPLAY 'ORDER ' IN-ORDER-NO ' NOT PRICED'            ORDBATCH
007300      END-EVALUATE.                                               ORDBATCH
007400  8000-OLD-REPORT SECTION.                                        ORDBATCH
007500  8000-PRINT.                                                     ORDBATCH
007600      DISPLAY 'OBSOLETE SUMMARY'.                                 ORDBATCH
007700  9000-TERMINATE SECTION.                                         ORDBATCH
007800  9000-CLOSE.                                                     ORDBATCH
007900      CLOSE ORDER-FILE PRICED-FILE                                ORDBATCH
008000      DISPLAY WS-MESSAGE WS-PRICED-COUNT.                         ORDBATCH
