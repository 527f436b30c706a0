/* ---- popup "circle": a dark disc filling the screen ---- */

#define POPUP_NOTIFY(STYLE) \
   group { name: "elm/notify/center/popup/"STYLE; \
      data.item: "hide_finished_signal" "on"; \
      parts { \
         part { name: "clip"; type: RECT; \
            description { state: "default" 0.0; \
               rel1.offset: -500 -500; rel2.offset: 499 499; \
               color: 255 255 255 0; \
            } \
            description { state: "visible" 0.0; \
               inherit: "default" 0.0; \
               color: 255 255 255 255; \
            } \
         } \
         part { name: "elm.swallow.content"; type: SWALLOW; clip_to: "clip"; \
            description { state: "default" 0.0; \
            } \
         } \
      } \
      programs { \
         program { signal: "show"; source: ""; \
            action: STATE_SET "visible" 0.0; target: "clip"; \
            transition: DECELERATE 0.15; \
         } \
         program { signal: "hide"; source: ""; \
            action: STATE_SET "default" 0.0; target: "clip"; \
         } \
         program { signal: "elm,state,hide"; source: "elm"; \
            action: STATE_SET "default" 0.0; target: "clip"; \
            transition: ACCELERATE 0.15; \
            after: "hide_finish"; \
         } \
         program { name: "hide_finish"; \
            action: SIGNAL_EMIT "elm,action,hide,finished" "elm"; \
         } \
      } \
   } \
   group { name: "elm/notify/block_events/popup/"STYLE; \
      data.item: "hide_finished_signal" "on"; \
      parts { \
         part { name: "block_events"; type: RECT; \
            description { state: "default" 0.0; \
               color: 0 0 0 0; \
            } \
            description { state: "visible" 0.0; \
               color: 0 0 0 200; \
            } \
         } \
      } \
      programs { \
         program { signal: "mouse,clicked,1"; source: "block_events"; \
            action: SIGNAL_EMIT "elm,action,click" "elm"; \
         } \
         program { signal: "show"; source: ""; \
            action: STATE_SET "visible" 0.0; target: "block_events"; \
            transition: DECELERATE 0.15; \
         } \
         program { signal: "elm,state,hide"; source: "elm"; \
            action: STATE_SET "default" 0.0; target: "block_events"; \
            transition: ACCELERATE 0.15; \
            after: "hide_finish"; \
         } \
         program { name: "hide_finish"; \
            action: SIGNAL_EMIT "elm,action,hide,finished" "elm"; \
         } \
      } \
   } \
   group { name: "elm/popup/content/popup/"STYLE; \
      parts { \
         part { name: "elm.swallow.content"; type: SWALLOW; \
            description { state: "default" 0.0; } \
         } \
      } \
   }

POPUP_NOTIFY("circle")
POPUP_NOTIFY("toast/circle")

   group { name: "elm/popup/base/circle";
      parts {
         /* Only the disc takes touches: a tap in a corner of the square
          * screen lands on the blocker and counts as outside. */
         part { name: "base"; type: IMAGE; precise_is_inside: 1;
            description { state: "default" 0.0;
               min: 360 360; max: 360 360;
               image.normal: "theme_screen.png";
               color: C_POPUP;
            }
         }
         part { name: "elm.swallow.background"; type: SWALLOW;
            description { state: "default" 0.0; rel.to: "base"; }
         }
         part { name: "elm.bg.title"; type: SPACER;
            description { state: "default" 0.0; rel.to: "base"; rel2.relative: 1.0 0.0; }
         }
         /* The circle layouts carry their own title; the popup's stays hidden. */
         part { name: "elm.text.title"; type: TEXT; mouse_events: 0;
            description { state: "default" 0.0; visible: 0; rel.to: "elm.bg.title"; }
         }
         part { name: "elm.swallow.title.icon"; type: SWALLOW;
            description { state: "default" 0.0; visible: 0; rel.to: "elm.bg.title"; }
         }
         part { name: "elm.swallow.content"; type: SWALLOW;
            description { state: "default" 0.0; rel.to: "base"; }
         }
         /* Buttons lie over the content: the button layouts place them on
          * the bottom arc or the side edges. */
         part { name: "elm.swallow.action_area"; type: SWALLOW;
            description { state: "default" 0.0; rel.to: "base"; }
         }
      }
   }

   group { name: "elm/popup/buttons1/popup/circle";
      data.item: "action_area_height" "0";
      parts {
         part { name: "elm.swallow.content.button1"; type: SWALLOW;
            description { state: "default" 0.0;
               rel1.relative: 0.0 (282/360);
            }
         }
      }
   }

   group { name: "elm/popup/buttons2/popup/circle";
      data.item: "action_area_height" "0";
      parts {
         part { name: "elm.swallow.content.button1"; type: SWALLOW;
            description { state: "default" 0.0;
               rel2.relative: (86/360) 1.0;
            }
         }
         part { name: "elm.swallow.content.button2"; type: SWALLOW;
            description { state: "default" 0.0;
               rel1.relative: (274/360) 0.0;
            }
         }
      }
   }

   styles {
      style { name: "circle_popup_title";
         base: "font="FONT_BOLD" font_size=28 align=center color=#4dcfff wrap=mixed ellipsis=1.0";
      }
      /* Between the side buttons a title has less room: smaller, and it may take two lines. */
      style { name: "circle_popup_side_title";
         base: "font="FONT_BOLD" font_size=22 align=center color=#4dcfff wrap=word";
      }
      style { name: "circle_popup_body";
         base: "font="FONT" font_size=25 align=center color=#ffffff wrap=mixed";
         tag: "br" "\n";
         tag: "b" "+ font="FONT_BOLD;
      }
      style { name: "circle_toast_text";
         base: "font="FONT" font_size=27 align=center color=#ffffff wrap=mixed";
         tag: "br" "\n";
      }
   }

   /* Title, body and one button on the bottom arc. The body scrolls (bezel
    * or drag) inside its window when it is taller. */
   group { name: "elm/layout/popup/content/circle/buttons1";
      parts {
         part { name: "area"; type: SPACER;
            description { state: "default" 0.0;
               min: 360 360;
            }
         }
         part { name: "elm.text.title"; type: TEXTBLOCK; mouse_events: 0;
            description { state: "default" 0.0;
               fixed: 0 1;
               rel1 { relative: (70/360) (34/360); to: "area"; }
               rel2 { relative: (290/360) (34/360); to: "area"; }
               align: 0.5 0.0;
               min: 0 36;
               text { style: "circle_popup_title"; min: 0 1; }
            }
         }
         part { name: "body.window"; type: RECT;
            description { state: "default" 0.0;
               rel1 { relative: (36/360) 1.0; to_x: "area"; to_y: "elm.text.title"; offset: 0 8; }
               rel2 { relative: (324/360) (276/360); to: "area"; }
            }
         }
         part { name: "elm.text"; type: TEXTBLOCK; clip_to: "body.window";
            description { state: "default" 0.0;
               rel1.to: "body.window";
               rel2.to: "body.window";
               align: 0.5 0.0;
               /* A long body (the legal notice) shrinks to fit the disc rather than push the title off it. */
               text { style: "circle_popup_body"; min: 0 0; fit: 1 1; size_range: 16 30; }
            }
         }
      }
   }

   /* A question between a cancel button on the left edge and an accept
    * button on the right edge. */
   group { name: "elm/layout/popup/content/circle/buttons2";
      parts {
         part { name: "area"; type: SPACER;
            description { state: "default" 0.0;
               min: 360 360;
            }
         }
         part { name: "body.window"; type: RECT;
            description { state: "default" 0.0;
               rel1 { relative: (96/360) (60/360); to: "area"; }
               rel2 { relative: (264/360) (300/360); to: "area"; }
            }
         }
         part { name: "elm.text"; type: TEXTBLOCK; clip_to: "body.window";
            description { state: "default" 0.0;
               rel1.to: "body.window";
               rel2.to: "body.window";
               align: 0.5 0.5;
               text { style: "circle_popup_body"; min: 0 1; }
            }
         }
      }
   }

   /* Three answers: one on each edge and one on the bottom arc. */
   group { name: "elm/popup/buttons3/popup/circle";
      data.item: "action_area_height" "0";
      parts {
         part { name: "elm.swallow.content.button1"; type: SWALLOW;
            description { state: "default" 0.0;
               rel2.relative: (86/360) 1.0;
            }
         }
         part { name: "elm.swallow.content.button2"; type: SWALLOW;
            description { state: "default" 0.0;
               rel1.relative: 0.0 (282/360);
            }
         }
         part { name: "elm.swallow.content.button3"; type: SWALLOW;
            description { state: "default" 0.0;
               rel1.relative: (274/360) 0.0;
            }
         }
      }
   }

   /* A title and a question between buttons on the left and right edges
    * (and the bottom arc, when there are three). */
   group { name: "elm/layout/popup/content/circle/title_sides";
      parts {
         part { name: "area"; type: SPACER;
            description { state: "default" 0.0;
               min: 360 360;
            }
         }
         part { name: "elm.text.title"; type: TEXTBLOCK; mouse_events: 0;
            description { state: "default" 0.0;
               fixed: 0 1;
               rel1 { relative: (94/360) (40/360); to: "area"; }
               rel2 { relative: (266/360) (40/360); to: "area"; }
               align: 0.5 0.0;
               min: 0 28;
               text { style: "circle_popup_side_title"; min: 0 1; }
            }
         }
         part { name: "body.window"; type: RECT;
            description { state: "default" 0.0;
               rel1 { relative: (94/360) 1.0; to_x: "area"; to_y: "elm.text.title"; offset: 0 6; }
               rel2 { relative: (266/360) (276/360); to: "area"; }
            }
         }
         part { name: "elm.text"; type: TEXTBLOCK; clip_to: "body.window";
            description { state: "default" 0.0;
               rel1.to: "body.window";
               rel2.to: "body.window";
               align: 0.5 0.5;
               text { style: "circle_popup_body"; min: 0 0; fit: 1 1; size_range: 16 25; }
            }
         }
      }
   }

   /* ---- toast/circle: one centred text on the dark disc ---- */
   group { name: "elm/popup/base/toast/circle";
      parts {
         part { name: "base"; type: IMAGE; precise_is_inside: 1;
            description { state: "default" 0.0;
               min: 360 360; max: 360 360;
               image.normal: "theme_screen.png";
               color: 10 12 16 255;
            }
         }
         part { name: "elm.text.title"; type: TEXT; mouse_events: 0;
            description { state: "default" 0.0; visible: 0; rel.to: "base"; rel2.relative: 1.0 0.0; }
         }
         part { name: "elm.swallow.title.icon"; type: SWALLOW;
            description { state: "default" 0.0; visible: 0; rel.to: "base"; rel2.relative: 0.0 0.0; }
         }
         part { name: "elm.swallow.content"; type: SWALLOW;
            description { state: "default" 0.0;
               rel1 { relative: (60/360) (70/360); to: "base"; }
               rel2 { relative: (300/360) (290/360); to: "base"; }
            }
         }
         part { name: "elm.swallow.action_area"; type: SWALLOW;
            description { state: "default" 0.0; visible: 0; rel.to: "base"; rel1.relative: 0.0 1.0; }
         }
      }
   }

   group { name: "elm/label/base/popup/toast/circle";
      parts {
         part { name: "elm.text"; type: TEXTBLOCK; mouse_events: 0;
            description { state: "default" 0.0;
               text { style: "circle_toast_text"; min: 0 1; }
            }
         }
      }
   }

   /* ---- buttons ---- */
#define BUTTON_PROGRAMS(SHAPE) \
      programs { \
         program { signal: "mouse,down,1"; source: SHAPE; \
            action: STATE_SET "pressed" 0.0; target: SHAPE; \
            after: "press"; \
         } \
         program { name: "press"; action: SIGNAL_EMIT "elm,action,press" ""; } \
         program { signal: "mouse,up,1"; source: SHAPE; \
            action: STATE_SET "default" 0.0; target: SHAPE; \
            transition: DECELERATE 0.2; \
            after: "unpress"; \
         } \
         program { name: "unpress"; action: SIGNAL_EMIT "elm,action,unpress" ""; } \
         program { signal: "mouse,clicked,1"; source: SHAPE; \
            action: SIGNAL_EMIT "elm,action,click" ""; \
         } \
         program { signal: "elm,state,text,visible"; source: "elm"; \
            action: STATE_SET "visible" 0.0; target: "elm.text"; \
         } \
         program { signal: "elm,state,text,hidden"; source: "elm"; \
            action: STATE_SET "default" 0.0; target: "elm.text"; \
         } \
         program { signal: "elm,state,icon,visible"; source: "elm"; \
            action: STATE_SET "visible" 0.0; target: "elm.swallow.content"; \
         } \
         program { signal: "elm,state,icon,hidden"; source: "elm"; \
            action: STATE_SET "default" 0.0; target: "elm.swallow.content"; \
         } \
         program { signal: "elm,state,disabled"; source: "elm"; \
            action: STATE_SET "disabled" 0.0; target: SHAPE; \
         } \
         program { signal: "elm,state,enabled"; source: "elm"; \
            action: STATE_SET "default" 0.0; target: SHAPE; \
         } \
      }

/* A button's face in its three looks; FACE adds what a face of that kind
 * needs (a mask image, a least size). */
#define BUTTON_FACE_STATES(FACE) \
            description { state: "default" 0.0; \
               FACE \
               color: C_BUTTON; \
            } \
            description { state: "pressed" 0.0; \
               inherit: "default" 0.0; \
               color: C_BUTTON_PRESSED; \
            } \
            description { state: "disabled" 0.0; \
               inherit: "default" 0.0; \
               color: 40 40 44 255; \
            }

/* A button's icon and text, in the box (x1, y1)-(x2, y2) of its face "shape",
 * in relative coordinates. */
#define BUTTON_CONTENT(X1, Y1, X2, Y2) \
         part { name: "inner"; type: SPACER; \
            description { state: "default" 0.0; \
               rel1 { relative: X1 Y1; to: "shape"; } \
               rel2 { relative: X2 Y2; to: "shape"; } \
            } \
         } \
         part { name: "elm.swallow.content"; type: SWALLOW; mouse_events: 0; \
            description { state: "default" 0.0; \
               visible: 0; \
               rel.to: "inner"; \
               align: 0.5 0.5; \
               max: 44 44; min: 0 0; \
               aspect: 1.0 1.0; aspect_preference: BOTH; \
            } \
            description { state: "visible" 0.0; \
               inherit: "default" 0.0; \
               visible: 1; \
            } \
         } \
         part { name: "elm.text"; type: TEXT; mouse_events: 0; \
            description { state: "default" 0.0; \
               visible: 0; \
               rel.to: "inner"; \
               color: C_ACCENT; \
               text { font: FONT_BOLD; size: 26; align: 0.5 0.5; ellipsis: 0.0; } \
            } \
            description { state: "visible" 0.0; \
               inherit: "default" 0.0; \
               visible: 1; \
            } \
         }

/* A button shaped by a mask image; its text and icon sit in the box
 * (x1, y1)-(x2, y2) of the mask. */
#define SHAPED_BUTTON(NAME, MASK, X1, Y1, X2, Y2) \
   group { name: "elm/button/base/"NAME; \
      parts { \
         part { name: "shape"; type: IMAGE; precise_is_inside: 1; \
            BUTTON_FACE_STATES(image.normal: MASK;) \
         } \
         BUTTON_CONTENT(X1, Y1, X2, Y2) \
      } \
      BUTTON_PROGRAMS("shape") \
   }

   /* A button that asks for no style: a plain face, its icon or text
    * inside. Elementary themes every new button in this style, twice, before
    * the style it asks for: here that is a few parts, where elementary's
    * own desktop button is many times larger. */
   group { name: "elm/button/base/default";
      parts {
         part { name: "shape"; type: RECT;
            BUTTON_FACE_STATES(min: 120 60;)
         }
         BUTTON_CONTENT(0.1, 0.1, 0.9, 0.9)
      }
      BUTTON_PROGRAMS("shape")
   }

   SHAPED_BUTTON("popup/circle", "theme_arc_bottom.png", 0.2, 0.05, 0.8, 0.62)
   SHAPED_BUTTON("popup", "theme_arc_bottom.png", 0.2, 0.05, 0.8, 0.62)
   SHAPED_BUTTON("popup/circle/left", "theme_seg_left.png", 0.25, 0.35, 0.9, 0.65)
   SHAPED_BUTTON("popup/circle/right", "theme_seg_right.png", 0.1, 0.35, 0.75, 0.65)
