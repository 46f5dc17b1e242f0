; Master boot record code: bytes 0-439 of sector 0. The disk tool keeps the disk
; signature (440), the partition table (446) and the 55 AA mark (510) itself.
;
; The BIOS loads us at 0000:7C00 with DL = boot drive. We move out of the way
; to 0000:0600, load the active partition's first sector to 0000:7C00 and jump
; there with DL = drive and DS:SI = the partition entry in our copy.

        cpu     386
        bits    16
        org     0x0600

LOAD_ADDR       equ     0x7C00
TABLE           equ     0x0600 + 446
BOOT_MARK       equ     0x0600 + 510    ; our own 55 AA (same offset in the loaded sector)
STACK_TOP       equ     0x7C00

; Scratch below our copy; free conventional memory once the BIOS has handed over.
DAP             equ     0x0500          ; 16-byte disk address packet
DRIVE           equ     0x0510          ; byte
ENTRY           equ     0x0512          ; word: the active entry
TRIES           equ     0x0514          ; byte

start:
%include "real_mode_entry.inc"
        mov     si, LOAD_ADDR
        mov     di, 0x0600
        mov     cx, 256
        rep     movsw
        jmp     0x0000:relocated        ; also normalises CS:IP (some BIOSes use 07C0:0000)

relocated:
        mov     [DRIVE], dl

        ; The first active entry wins; a stick made by the tool has exactly one.
        mov     si, TABLE
        mov     cx, 4
.scan:
        cmp     byte [si], 0x80
        je      .found
        add     si, 16
        loop    .scan
        mov     si, msg_no_active
        jmp     fail
.found:
        mov     [ENTRY], si
        mov     byte [TRIES], 3

.read:
        ; INT 13h extensions present and packet access supported?
        mov     ah, 0x41
        mov     bx, 0x55AA
        mov     dl, [DRIVE]
        int     0x13
        jc      .chs
        cmp     bx, 0xAA55
        jne     .chs
        test    cl, 1
        jz      .chs

        mov     si, DAP
        mov     dword [si], 0x00010010  ; size 16, one sector
        mov     dword [si + 4], LOAD_ADDR ; offset 7C00, segment 0
        mov     bx, [ENTRY]
        mov     eax, [bx + 8]
        mov     [si + 8], eax
        mov     dword [si + 12], 0
        mov     ah, 0x42
        mov     dl, [DRIVE]
        int     0x13
        jmp     .after_read

.chs:
        ; Geometry from the BIOS; when it gives none, the CHS start of the entry.
        mov     ah, 0x08
        mov     dl, [DRIVE]
        xor     di, di                  ; ES:DI = 0 guards against buggy BIOSes
        int     0x13
        jc      .entry_chs
        and     cx, 0x3F                ; sectors per track
        jz      .entry_chs
        movzx   ecx, cx
        movzx   ebx, dh
        inc     bx                      ; heads
        mov     si, [ENTRY]
        mov     eax, [si + 8]
        xor     edx, edx
        div     ecx                     ; eax = track, dx = sector - 1
        inc     dx
        push    dx
        xor     edx, edx
        div     ebx                     ; eax = cylinder, dx = head
        pop     cx                      ; cl = sector
        cmp     eax, 1023
        ja      .read_error             ; beyond CHS reach
        mov     dh, dl
        mov     ch, al
        shl     ah, 6
        or      cl, ah
        jmp     .chs_read
.entry_chs:
        mov     si, [ENTRY]
        mov     dh, [si + 1]
        mov     cx, [si + 2]
.chs_read:
        xor     ax, ax
        mov     es, ax
        mov     bx, LOAD_ADDR
        mov     dl, [DRIVE]
        mov     ax, 0x0201
        int     0x13

.after_read:
        jnc     .check
        xor     ax, ax                  ; reset the drive before trying again
        mov     dl, [DRIVE]
        int     0x13
        dec     byte [TRIES]
        jnz     .read
.read_error:
        mov     si, msg_read_error
        jmp     fail

.check:
        cmp     word [LOAD_ADDR + 510], 0xAA55
        je      .go
        mov     si, msg_no_boot_record
        jmp     fail

.go:
        xor     ax, ax
        mov     es, ax
        mov     si, [ENTRY]
        mov     bp, si
        mov     dl, [DRIVE]
        jmp     0x0000:LOAD_ADDR

%include "fail_message.inc"

msg_prefix:             db      13, 10, 'Tarnvik MBR: ', 0
msg_no_active:          db      'no active partition', 0
msg_read_error:         db      'read error', 0
msg_no_boot_record:     db      'no boot record', 0

        times   440 - ($ - $$) db 0
